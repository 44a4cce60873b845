// Listings that fail in every way a server can make them fail: neither the
// listing of the current directory nor a walk may take what arrived for the
// directory's contents.
#include <filesystem>

#include "hostile_fixture.h"

namespace hostile {
namespace {

using testsupport::DataLink;
using testsupport::ScriptedConnection;
using testsupport::ScriptedTransferSession;

struct ListingFailure {
    const char* name;
    // Scripts the LIST exchange (with its TYPE and PORT) of the failing listing.
    void (*script)(ScriptedTransferSession& s, const std::string& listing);
};

void ScriptRefusal(ScriptedTransferSession& s, const std::string& reply) {
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n").Expect("LIST", reply);
}

const ListingFailure kFailures[] = {
    {"DataResetThenSuccess",
     [](ScriptedTransferSession& s, const std::string& listing) {
         s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
         s.server.Expect("LIST", [listing](ScriptedConnection& connection, const std::string&) {
             connection.Send("150 Here comes the listing.\r\n");
             DataLink link = connection.ConnectToLastPort();
             link.SendAll(listing.substr(0, listing.size() / 2));
             link.Reset();
             connection.Send("226 Transfer complete.\r\n");
         });
     }},
    {"Refused450",
     [](ScriptedTransferSession& s, const std::string&) { ScriptRefusal(s, "450 No files found.\r\n"); }},
    {"Refused550",
     [](ScriptedTransferSession& s, const std::string&) { ScriptRefusal(s, "550 Permission denied.\r\n"); }},
    {"AbortedAfterData",
     [](ScriptedTransferSession& s, const std::string& listing) {
         s.ScriptIncoming("LIST", "150 Listing.\r\n", listing,
                          "426 Connection closed; transfer aborted.\r\n");
     }},
};

class HostileListingFailureTest : public HostileServerTest,
                                  public testing::WithParamInterface<ListingFailure> {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(s.LogIn()); }

    // Long enough to pass the file size limit and the half that a reset lets through.
    static std::string FailingListing() {
        std::vector<std::string> lines;
        for (int i = 0; i < 20; ++i) lines.push_back(FileLine("file" + std::to_string(i) + ".dat"));
        return Listing(lines);
    }
};

TEST_P(HostileListingFailureTest, ListingOfTheCurrentDirectoryFails) {
    GetParam().script(s, FailingListing());
    const auto listing = s.session.Lister().List("/");
    ASSERT_FALSE(listing.Ok());
    EXPECT_NE(listing.Failure().category, Error::Category::Cancelled);
    EXPECT_TRUE(s.harness.HasLine("Could not get the directory listing.")) << s.harness.Joined();
    EXPECT_EQ(s.server.PendingSteps(), 0u);
}

// The failing listing is one level down: the walk counts it, keeps no local
// directory for it, and goes on with the rest.
TEST_P(HostileListingFailureTest, WalkCountsAFailedListingBelowItsTop) {
    s.server.Expect("CWD", "250 ok\r\n");
    s.ScriptIncoming("LIST", "150 Listing.\r\n", Listing({DirectoryLine("sub"), FileLine("after.txt")}));
    s.server.Expect("CWD", "250 ok\r\n");
    GetParam().script(s, FailingListing());
    s.server.Expect("CWD", "250 ok\r\n");
    s.ScriptIncoming("RETR", "150 Opening (3 bytes).\r\n", "abc");
    s.server.Expect("CWD", "250 ok\r\n");

    const std::string root = (dir / "top").string();
    s.session.DownloadTree("top", &root);
    EXPECT_EQ(s.session.WalkFailures(), 1);
    EXPECT_EQ(LocalTree(), std::vector<std::string>({"top", "top/after.txt"}));
    EXPECT_TRUE(s.harness.HasLine("Could not list remote directory sub; skipped.")) << s.harness.Joined();
    EXPECT_EQ(s.server.PendingSteps(), 0u);
    EXPECT_TRUE(s.server.Mismatches().empty());
    EXPECT_EQ(s.Commands().back(), "CWD ..");
}

INSTANTIATE_TEST_SUITE_P(Failures, HostileListingFailureTest, testing::ValuesIn(kFailures),
                         [](const testing::TestParamInfo<ListingFailure>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace hostile
