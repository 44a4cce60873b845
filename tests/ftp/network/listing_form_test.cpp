// Which listing command the session sends after FEAT, the fallback from a
// refused MLSD, and the forms of listing it reads.
#include <gtest/gtest.h>

#include <algorithm>

#include "scripted_transfer_session.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ScriptedTransferSession;
using testsupport::TempDir;

const std::string kFeatWithMlst =
    "211-Features:\r\n MLST type*;size*;modify*;UNIX.mode;\r\n SIZE\r\n211 End\r\n";
const std::string kDosListing =
    "12-07-26  11:48AM       <DIR>          pub\r\n12-07-26  01:05PM                 1234 read me.txt\r\n";
const std::string kMlsdListing =
    "type=cdir;modify=20261207114800; .\r\n"
    "type=pdir;modify=20261207114800; ..\r\n"
    "type=dir;modify=20261207114800;UNIX.mode=0755; pub\r\n"
    "not an mlsd line\r\n"
    "type=file;size=1234;modify=20261207130500;UNIX.mode=0644; read me.txt\r\n";

struct Listed {
    std::string name;
    int isFile;
    std::string sizeText;
};

struct FormCase {
    const char* title;
    std::string featReply;  // empty: FEAT refused
    void (*script)(ScriptedTransferSession& s);
    std::vector<std::string> listingVerbs;  // MLSD / LIST in the order sent
    std::vector<Listed> expected;
};

bool operator==(const Listed& a, const Listed& b) {
    return a.name == b.name && a.isFile == b.isFile && a.sizeText == b.sizeText;
}

void PrintTo(const Listed& listed, std::ostream* out) {
    *out << listed.name << "/" << listed.isFile << "/" << listed.sizeText;
}

const FormCase kFormCases[] = {
    {"FEAT refused: LIST, DOS form",
     "",
     [](ScriptedTransferSession& s) { s.ScriptIncoming("LIST", "150 Listing.\r\n", kDosListing); },
     {"LIST"},
     {{"pub", 0, ""}, {"read me.txt", 1, "1234"}}},
    {"MLST offered: MLSD",
     kFeatWithMlst,
     [](ScriptedTransferSession& s) { s.ScriptIncoming("MLSD", "150 Listing.\r\n", kMlsdListing); },
     {"MLSD"},
     {{"pub", 0, ""}, {"read me.txt", 1, "1234"}}},
    {"MLSD refused: LIST",
     kFeatWithMlst,
     [](ScriptedTransferSession& s) {
         s.server.Expect("TYPE", "200 ok\r\n")
             .Expect("PORT", "200 ok\r\n")
             .Expect("MLSD", "500 Unknown.\r\n");
         s.ScriptIncoming(
             "LIST", "150 Listing.\r\n",
             "drwxr-xr-x 2 a b 512 Jan  5 12:30 pub\r\n-rw-r--r-- 1 a b 1234 Jan  5 12:30 read me.txt\r\n");
     },
     {"MLSD", "LIST"},
     {{"pub", 0, "512"}, {"read me.txt", 1, "1234"}}},
};

std::vector<Listed> FetchAll(FtpSession& session) {
    std::vector<Listed> listed;
    const Result<Listing> listing = session.Lister().List(".");
    EXPECT_TRUE(listing.Ok()) << (listing ? "" : listing.Failure().message);
    if (!listing) return listed;
    for (const RemoteEntry& entry : listing.Value().entries)
        listed.push_back({entry.name, entry.IsFile() ? 1 : 0, entry.size ? std::to_string(*entry.size) : ""});
    return listed;
}

std::vector<std::string> ListingVerbs(const std::vector<std::string>& commands) {
    std::vector<std::string> verbs;
    for (const std::string& command : commands)
        if (command == "MLSD" || command == "LIST") verbs.push_back(command);
    return verbs;
}

TEST(ListingForm, FeatDecidesTheListingCommand) {
    for (const FormCase& row : kFormCases) {
        SCOPED_TRACE(row.title);
        TempDir dir;
        ScriptedTransferSession s;
        ASSERT_NO_FATAL_FAILURE(s.LogIn(row.featReply));
        row.script(s);
        EXPECT_EQ(FetchAll(s.session), row.expected) << s.harness.Joined();
        EXPECT_EQ(ListingVerbs(s.Commands()), row.listingVerbs);
        EXPECT_TRUE(s.server.Mismatches().empty());
    }
}

// An unknown MLSD stays unknown for the connection: the next listing asks
// with LIST straight away.
TEST(ListingForm, UnknownMlsdIsNotAskedAgain) {
    TempDir dir;
    ScriptedTransferSession s;
    ASSERT_NO_FATAL_FAILURE(s.LogIn(kFeatWithMlst));
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n").Expect("MLSD", "502 No.\r\n");
    s.ScriptIncoming("LIST", "150 Listing.\r\n", kDosListing);
    s.ScriptIncoming("LIST", "150 Listing.\r\n", kDosListing);
    EXPECT_EQ(FetchAll(s.session).size(), 2u);
    EXPECT_EQ(FetchAll(s.session).size(), 2u);
    EXPECT_EQ(ListingVerbs(s.Commands()), (std::vector<std::string>{"MLSD", "LIST", "LIST"}));
    EXPECT_TRUE(s.server.Mismatches().empty());
}

}  // namespace
