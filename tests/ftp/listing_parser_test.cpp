// The Unix long-listing parser, the column count and the line reader.
#include "ftp/listing_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "support/session_harness.h"
#include "support/temp_dir.h"

namespace {

struct ParseCase {
    const char* title;
    std::string line;
    int columnCount;
    bool accepted;
    RemoteEntry expected;
};

RemoteEntry Entry(int isFile, std::string permissions, std::string links, std::string owner,
                  std::string group, std::string size, std::string date, std::string name) {
    RemoteEntry entry;
    entry.isFile = isFile;
    entry.permissions = std::move(permissions);
    entry.links = std::move(links);
    entry.owner = std::move(owner);
    entry.group = std::move(group);
    entry.sizeText = std::move(size);
    entry.dateText = std::move(date);
    entry.name = std::move(name);
    return entry;
}

const ParseCase kParseCases[] = {
    {"nine columns, two blanks kept in the date", "drwxr-xr-x   2 root     other        512 Jan  5 12:30 pub",
     9, true, Entry(0, "drwxr-xr-x", "2", "root", "other", "512", "Jan  5 12:30", "pub")},
    {"eight columns: no group, fourth token is the size", "drwxr-xr-x   2 root        512 Jan  5 12:30 pub",
     8, true, Entry(0, "drwxr-xr-x", "2", "root", "", "512", "Jan  5 12:30", "pub")},
    {"file with blanks in its name", "-rw-r--r--   1 ftp      ftp       1024 Mar 14  2021 my  notes .txt", 9,
     true, Entry(1, "-rw-r--r--", "1", "ftp", "ftp", "1024", "Mar 14  2021", "my  notes .txt")},
    {"symbolic link keeps arrow and target",
     "lrwxrwxrwx   1 root     root          7 Feb  1 09:00 bin -> usr/bin", 9, true,
     Entry(0, "lrwxrwxrwx", "1", "root", "root", "7", "Feb  1 09:00", "bin -> usr/bin")},
    {"ACL marker in column 10 is not examined", "-rw-r--r--+  1 a b 3 Jan  1  2020 x", 9, true,
     Entry(1, "-rw-r--r--", "1", "a", "b", "3", "Jan  1  2020", "x")},
    {"nine-column line read with an eight-column count", "-rw-r--r--   1 a b 3 Jan  1  2020 x", 8, true,
     Entry(1, "-rw-r--r--", "1", "a", "", "b", "3 Jan  1", "2020 x")},
    {"line cut short after the owner", "-rw-r--r--   1 a", 9, true,
     Entry(1, "-rw-r--r--", "1", "a", "", "", "", "")},
    {"only the type letter", "d", 9, true, Entry(0, "d", "", "", "", "", "", "")},
    {"total line", "total 42", 9, false, {}},
    {"block device", "brw-rw----   1 root disk 8, 0 Jan  1 00:00 sda", 9, false, {}},
    {"character device", "crw-rw-rw-   1 root root 1, 3 Jan  1 00:00 null", 9, false, {}},
    {"line beginning with a blank", " -rw-r--r-- 1 a b 3 Jan 1 2020 x", 9, false, {}},
    {"empty line", "", 9, false, {}},
    {"server message", "550 No files found", 9, false, {}},
    {"DOS directory", "12-07-26  11:48AM       <DIR>          pub", 9, true,
     Entry(0, "d", "", "", "", "", "12-07-26  11:48AM", "pub")},
    {"DOS file with blanks in its name", "12-07-26  01:05PM                 1234 my  notes.txt", 8, true,
     Entry(1, "-", "", "", "", "1234", "12-07-26  01:05PM", "my  notes.txt")},
    {"DOS four-digit year and 24-hour clock", "12-07-2026  23:48  0 empty", 9, true,
     Entry(1, "-", "", "", "", "0", "12-07-2026  23:48", "empty")},
    {"DOS line without a name", "12-07-26  11:48AM  <DIR>", 9, false, {}},
    {"DOS line with a size that is not a number", "12-07-26  11:48AM  12k3 name", 9, false, {}},
    {"DOS line with a broken time", "12-07-26  1148AM  <DIR> name", 9, false, {}},
    {"DOS line with a broken date", "12/07/26  11:48AM  <DIR> name", 9, false, {}},
    {"date alone", "12-07-26", 9, false, {}},
};

TEST(ListingParser, ParsesEveryTableRow) {
    for (const ParseCase& row : kParseCases) {
        SCOPED_TRACE(row.title);
        RemoteEntry entry;
        entry.group = "stale";
        const bool accepted = ParseAnyListingLine(row.line, row.columnCount, entry);
        ASSERT_EQ(accepted, row.accepted);
        if (!accepted) continue;
        EXPECT_EQ(entry.isFile, row.expected.isFile);
        EXPECT_EQ(entry.permissions, row.expected.permissions);
        EXPECT_EQ(entry.links, row.expected.links);
        EXPECT_EQ(entry.owner, row.expected.owner);
        EXPECT_EQ(entry.group, row.expected.group);
        EXPECT_EQ(entry.sizeText, row.expected.sizeText);
        EXPECT_EQ(entry.dateText, row.expected.dateText);
        EXPECT_EQ(entry.name, row.expected.name);
    }
}

TEST(ListingParser, CountsFieldsSeparatedOnlyByBlanks) {
    const struct {
        std::string line;
        int fields;
    } rows[] = {
        {"drwxr-xr-x   2 root     other        512 Jan  5 12:30 pub\n", 9},
        {"drwxr-xr-x   2 root        512 Jan  5 12:30 pub\r\n", 8},
        {" leading blank counts one more", 6},
        {"trailing blanks   \n", 2},
        {"tab\tis not a separator", 4},
        {"\n", 0},
        {"", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(CountListingFields(row.line), row.fields);
    }
}

class ListingFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& contents) { return dir.WriteFile("listing.txt", contents).string(); }

    testsupport::TempDir dir;
    testsupport::SessionHarness harness;
};

TEST_F(ListingFileTest, ReaderGivesWholeLinesAndDropsNetworkLineEnds) {
    const std::string longLine = "-" + std::string(178, 'a') + "dcontinued";  // 189 characters
    const std::string tooLong(kLongestListingLine + 1, 'x');
    std::string path =
        Write("first\r\n" + longLine + "\n" + tooLong + "\r\n" + std::string("nul\0byte", 8) + "\nlast");
    std::FILE* file = std::fopen(path.c_str(), "r");
    ASSERT_NE(file, nullptr);
    ListingLineReader reader(file);
    std::string_view line;
    std::vector<std::string> lines;
    while (reader.Next(line)) lines.emplace_back(line);
    std::fclose(file);
    const std::vector<std::string> expected = {"first\n", longLine + "\n", std::string("nul\0byte\n", 9),
                                               "last"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(reader.SkippedLines(), 1u) << "a line past the bound is passed over whole";
}

TEST_F(ListingFileTest, CountListingTakesColumnsFromTheSecondLine) {
    FtpSession& session = harness.session;
    session.Listing().SetColumnCount(3);
    EXPECT_EQ(
        session.CountListing(Write("total 4\ndrwxr-xr-x 2 root 512 Jan 5 12:30 pub\n-rw 1 a b c d e f g\n")),
        3);
    EXPECT_EQ(session.Listing().ColumnCount(), 8);

    // A listing of only the total line keeps the earlier count.
    EXPECT_EQ(session.CountListing(Write("total 0\n")), 1);
    EXPECT_EQ(session.Listing().ColumnCount(), 8);

    // A missing file counts nothing and changes nothing.
    EXPECT_EQ(session.CountListing((dir / "missing").string()), 0);
    EXPECT_EQ(session.Listing().ColumnCount(), 8);
}

// Servers without a total line (vsftpd, pyftpdlib) put an entry on the second
// line, which decides the columns: a long name there, or anywhere, must come
// through whole and leave every other entry as it is.
TEST_F(ListingFileTest, LongNamesComeThroughWholeInAnyPosition) {
    FtpSession& session = harness.session;
    const std::string prefix = "-rw-r--r--    1 1000     1000            5 Jan 01  2020 ";
    const std::string longName = std::string(1200, 'n') + " with blanks";
    const std::vector<std::string> names = {"short", longName, "link -> " + longName, std::string(255, 'z')};
    for (std::size_t position = 0; position < names.size(); ++position) {
        SCOPED_TRACE(position);
        std::vector<std::string> order = names;
        std::rotate(order.begin(), order.begin() + static_cast<long>(position), order.end());
        std::string text;
        for (const std::string& name : order)
            text += (name[0] == 'l' ? "l" + prefix.substr(1) : prefix) + name + "\r\n";
        const std::string path = Write(text + std::string(kLongestListingLine + 10, '-') + "\r\n");
        session.Listing().SetColumnCount(0);
        EXPECT_EQ(session.CountListing(path), 4);
        EXPECT_GE(session.Listing().ColumnCount(), 9) << "the columns of a whole line, not of a piece of one";
        ASSERT_TRUE(session.Listing().ReadEntriesFrom(path));
        std::vector<std::string> read;
        RemoteEntry entry;
        while (session.NextEntry(entry) == ListingRead::Entry) {
            EXPECT_EQ(entry.group, "1000");
            EXPECT_EQ(entry.sizeText, "5");
            read.push_back(entry.name);
        }
        EXPECT_EQ(read, order);
    }
    EXPECT_TRUE(harness.HasLine("Skipped 1 listing line longer than 16384 characters.")) << harness.Joined();
}

TEST_F(ListingFileTest, NextEntrySkipsNonEntries) {
    FtpSession& session = harness.session;
    std::string path = Write(
        "total 2\n-rw-r--r--   1 ftp      ftp       5 Jan  1  2020 a b\n\ncrw- 1 x\n"
        "lrwxrwxrwx   1 ftp      ftp       1 Jan  1  2020 l -> a b\n");
    session.CountListing(path);
    ASSERT_TRUE(session.Listing().ReadEntriesFrom(path));

    std::vector<std::string> names;
    RemoteEntry entry;
    while (session.NextEntry(entry) == ListingRead::Entry) names.push_back(entry.name);
    EXPECT_FALSE(session.Listing().ReadingEntries()) << "the file is closed at its end";
    EXPECT_EQ(names, std::vector<std::string>({"a b", "l -> a b"}));
}

}  // namespace
