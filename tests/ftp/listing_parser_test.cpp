// Listing lines of every form read into typed entries, one table per form;
// unreadable lines logged and counted; the line reader.
#include "ftp/listing_parser.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/session_harness.h"

namespace {

using K = EntryKind;
constexpr std::int64_t kNoSize = -1;
const std::string kUnreadable = "<unreadable>";  // logged and counted
const std::string kNoEntry = "<none>";           // known to carry no entry

// Lines separated by "\n" are fed in turn (headers, VMS continuations); the
// last one is the line under test. time: "" unknown, else "Y-M-D[ H:M[:S]]".
struct Row {
    Row(std::string lines, std::string name, K kind = K::File, std::int64_t size = kNoSize, std::string time = "",
        std::string target = "")
        : lines(std::move(lines)), name(std::move(name)), kind(kind), size(size), time(std::move(time)),
          target(std::move(target)) {}
    std::string lines;
    std::string name;
    K kind;
    std::int64_t size;
    std::string time;
    std::string target;
};

std::string TimeText(const RemoteTime& time) {
    char text[40] = "";
    if (time.precision == TimePrecision::Day) std::snprintf(text, sizeof text, "%d-%d-%d", time.year, time.month, time.day);
    if (time.precision == TimePrecision::Minute)
        std::snprintf(text, sizeof text, "%d-%d-%d %d:%d", time.year, time.month, time.day, time.hour, time.minute);
    if (time.precision == TimePrecision::Second)
        std::snprintf(text, sizeof text, "%d-%d-%d %d:%d:%d", time.year, time.month, time.day, time.hour,
                      time.minute, time.second);
    return text;
}

void ExpectTable(const std::vector<Row>& rows, ListingParser::Form form = ListingParser::Form::List) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lines);
        std::vector<std::string> logged;
        ListingParser parser(form, [&logged](const std::string& line) { logged.push_back(line); },
                             CivilDate{2026, 12, 8});
        RemoteEntry entry;
        bool read = false;
        std::string_view rest = row.lines;
        while (!rest.empty()) {
            const std::size_t lf = rest.find('\n');
            read = parser.Read(rest.substr(0, lf), entry);
            rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
        }
        parser.Finish();
        EXPECT_EQ(parser.UnreadableLines(), row.name == kUnreadable ? 1u : 0u);
        EXPECT_EQ(logged.empty(), row.name != kUnreadable);
        if (row.name == kUnreadable || row.name == kNoEntry) {
            EXPECT_FALSE(read);
            continue;
        }
        ASSERT_TRUE(read);
        EXPECT_EQ(entry.name, row.name);
        EXPECT_EQ(entry.kind, row.kind);
        EXPECT_EQ(entry.size.value_or(kNoSize), row.size);
        EXPECT_EQ(TimeText(entry.modified), row.time);
        EXPECT_EQ(entry.linkTarget, row.target);
    }
}

TEST(ListingParser, UnixShapes) {
    ExpectTable({
        {"drwxr-xr-x   2 root     other        512 Jan  5 12:30 pub", "pub", K::Directory, 512, "2026-1-5 12:30"},
        {"drwxr-xr-x   2 root        512 Jan  5 12:30 my dir", "my dir", K::Directory, 512, "2026-1-5 12:30"},
        {"-rw-r--r--   1 ftp      ftp       1024 Mar 14  2021 my  notes .txt", "my  notes .txt", K::File, 1024, "2021-3-14"},
        {"-rw-r--r--   1 ftp ftp 7 Dec 24 10:00  lead.txt ", " lead.txt ", K::File, 7, "2025-12-24 10:0"},
        {"lrwxrwxrwx   1 root     root          7 Feb  1 09:00 bin -> usr/bin", "bin", K::Link, 7, "2026-2-1 9:0", "usr/bin"},
        {"-rw-r--r--+  1 a b 3 Jan  1  2020 x", "x", K::File, 3, "2020-1-1"},
        {"-rw-r--r--   1 John Smith Domain Users  33.5k Jan 1 2020 a b", "a b", K::File, 34304, "2020-1-1"},
        {"-rw-r--r--   1 1000 1000 5 2005-06-07 21:22 iso name", "iso name", K::File, 5, "2005-6-7 21:22"},
        {"-rw-r--r--   1 u g 5 2005-06-07 21:22:33.000000000 +0200 full", "full", K::File, 5, "2005-6-7 21:22:33"},
        {"-rw-r--r--   1 u g 12 Oct 08, 2002 09:47 comma", "comma", K::File, 12, "2002-10-8 9:47"},
        {"-rw-r--r--   1 u g 12 Jan  5 12:30:45 2019 bsd", "bsd", K::File, 12, "2019-1-5 12:30:45"},
        {"-rw-r--r--   1 u g 1 5 Jan 12:30 day first", "day first", K::File, 1, "2026-1-5 12:30"},
        {"-rw-r--r--   1 u g 1 5. Mär 2020 deutsch", "deutsch", K::File, 1, "2020-3-5"},
        {"-rw-r--r--   1 u g 1 févr. 3 10:00 français", "français", K::File, 1, "2026-2-3 10:0"},
        {"-rw-r--r--   1 u g 1 ene 3 10:00 es", "es", K::File, 1, "2026-1-3 10:0"},
        {"-rw-r--r--   1 u g 1 3 ott 2019 it", "it", K::File, 1, "2019-10-3"},
        {"-rw-r--r--   1 u g 1 mrt 3 2019 nl", "nl", K::File, 1, "2019-3-3"},
        {"-rw-r--r--   1 u g 1 paź 3 2019 pl", "pl", K::File, 1, "2019-10-3"},
        {"-rw-r--r--   1 u g 1 янв 3 2019 ru", "ru", K::File, 1, "2019-1-3"},
        {"-rw-r--r--   1 u g 1 1月 5日 12:30 ja", "ja", K::File, 1, "2026-1-5 12:30"},
        {"-rw-r--r--   1 u g 1 12月 5 2019 zh", "zh", K::File, 1, "2019-12-5"},
        {"-rw-r--r--   1 u g 1 3월 5일 2019 ko", "ko", K::File, 1, "2019-3-5"},
        {"-rw-r--r--   1 u g 1 Dec 9 12:30 future", "future", K::File, 1, "2026-12-9 12:30"},
        {"-rw-r--r--   1 u g 1 Dec 10 12:30 last year", "last year", K::File, 1, "2025-12-10 12:30"},
        {"-rw-r--r--   1 ftp ftp 1234 undated name", "undated name", K::File, 1234, ""},
        {"d [R----F--] supervisor            512       Jan 16 18:53    login", "login", K::Directory, 512, "2026-1-16 18:53"},
        {"- [RWCEAFMS] rhesus             214059       Oct 20  2019    cx.exe", "cx.exe", K::File, 214059, "2019-10-20"},
        {"-------r--         326  1391972  1392298 Nov 22  1995 MegaPhone.sit", "MegaPhone.sit", K::File, 1392298, "1995-11-22"},
        {"drwxrwxr-x               folder        2 May 10  1996 network", "network", K::Directory, 2, "1996-5-10"},
        {"drwx------ 1 0 0 0 Apr 19 01:44 vshell", "vshell", K::Directory, 0, "2026-4-19 1:44"},
        {"crw-rw-rw-   1 root root 1, 3 Jan  1 00:00 null", "null", K::Unknown, kNoSize, "2026-1-1 0:0"},
        {"prw-r--r--   1 root root 0 Jan  1 2020 fifo", "fifo", K::Unknown, 0, "2020-1-1"},
        {"total 42", kNoEntry},
        {"insgesamt 42", kNoEntry},
        {"drwxr-xr-x   2 root root 512 Jan  5 12:30 .", kNoEntry},
        {"drwxr-xr-x   2 root root 512 Jan  5 12:30 ", kUnreadable},
        {"-rw-r--r--   1 a", kUnreadable},
        {"-rw-r--r--   1 a b 3 Jan  1  2020 a/b", kUnreadable},
        {"list of files follows", kUnreadable},
    });
}

TEST(ListingParser, DosAndOs2) {
    ExpectTable({
        {"12-07-26  11:48AM       <DIR>          pub", "pub", K::Directory, kNoSize, "2026-12-7 11:48"},
        {"12-07-26  01:05PM                 1234 my  notes.txt", "my  notes.txt", K::File, 1234, "2026-12-7 13:5"},
        {"12-07-26  01:05PM                 1234  lead.txt", " lead.txt", K::File, 1234, "2026-12-7 13:5"},
        {"12-07-2026  23:48  0 empty", "empty", K::File, 0, "2026-12-7 23:48"},
        {"2026-12-07  23:48  1,234,567 grouped", "grouped", K::File, 1234567, "2026-12-7 23:48"},
        {"04-27-98  12:00AM  <DIR>  midnight", "midnight", K::Directory, kNoSize, "1998-4-27 0:0"},
        {"12-07-26  11:48AM  <DIR>", kUnreadable},
        {"12-07-26  11:48AM  12k3 name", kUnreadable},
        {"12-07-26  1148AM  <DIR> name", kUnreadable},
        {"        1234      A          12-07-26   11:48  os2 file.txt", "os2 file.txt", K::File, 1234, "2026-12-7 11:48"},
        {"           0           DIR   12-07-26   11:48  os2dir", "os2dir", K::Directory, kNoSize, "2026-12-7 11:48"},
    });
}

TEST(ListingParser, Vms) {
    ExpectTable({
        {"FILE.TXT;3           4/8      12-JAN-2005 10:20:00  [GROUP,OWNER]  (RWED,RWED,RE,)", "FILE.TXT", K::File, 2048, "2005-1-12 10:20:0"},
        {"SUBDIR.DIR;1        1        12-JAN-2005 10:20   [USER]  (RWE,RWE,RE,RE)", "SUBDIR", K::Directory, 512, "2005-1-12 10:20"},
        {"VERY_LONG_FILE_NAME.DATA;12\n                    23       2-FEB-2006 08:01:02.33  [G,O]  (RWED,,,)", "VERY_LONG_FILE_NAME.DATA", K::File, 11776, "2006-2-2 8:1:2"},
        {"LOCKED.DAT;1  %RMS-E-PRV, insufficient privilege", "LOCKED.DAT", K::File, kNoSize, ""},
        {"A.B;2  1  1-MAR-2001 00:00\nA.B;1  1  1-MAR-2000 00:00", kNoEntry},
        {"Directory DISK$USER:[ME]", kNoEntry},
        {"Total of 3 files, 28 blocks.", kNoEntry},
        {"ORPHAN.TXT;1", kUnreadable},
        {"BAD.TXT;1  x  never", kUnreadable},
    });
}

TEST(ListingParser, Mainframes) {
    const std::string datasets = "Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname\n";
    const std::string members = " Name     VV.MM   Created       Changed      Size  Init   Mod   Id\n";
    ExpectTable({
        {datasets + "WYOSPT 3420   2003/03/18  1   15  FB      80  6160  PO  USER.CNTL", "USER.CNTL", K::Directory, kNoSize, "2003-3-18"},
        {datasets + "WYOSPT 3390   2004/06/23  1    1  FB      80  3120  PS  USER.DATA", "USER.DATA", K::File, kNoSize, "2004-6-23"},
        {datasets + "Migrated                                                USER.OLD", "USER.OLD", K::File, kNoSize, ""},
        {members + " MEMBER1   01.03 2002/09/12 2002/10/11 09:37    11    10     0 USER", "MEMBER1", K::File, kNoSize, "2002-10-11 9:37"},
        {members + " MEMBER2", "MEMBER2", K::File, kNoSize, ""},
        {" Name      Size   TTR   Alias-of AC --------- Attributes --------- Amode Rmode\n"
         " LOADMOD   000110 00000E         00    FO             RN RU            31    ANY", "LOADMOD", K::File, 0x110, ""},
        {"JOBNAME  JOBID    OWNER    STATUS CLASS\nUSERJOB1 JOB01234 USER     OUTPUT A        RC=0000 3 spool files", "JOB01234", K::File, kNoSize, ""},
        {"USERJOB2  JOB01235  ACTIVE", "JOB01235", K::File, kNoSize, ""},
        {"QSYS            77824 02/23/00 15:09:55 *DIR       QOpenSys/", "QOpenSys", K::Directory, 77824, "2000-2-23 15:9:55"},
        {"MYUSER          36864 05/14/02 09:51:58 *STMF      my file.txt", "my file.txt", K::File, 36864, "2002-5-14 9:51:58"},
        {"MYUSER                                  *MEM       MYLIB.FILE/MYMEMBER.MBR", "MYMEMBER.MBR", K::File, kNoSize, ""},
        {"PROFILE  EXEC     F         80         20          1 2005-06-07 21:22:33 -", "PROFILE.EXEC", K::File, 1600, "2005-6-7 21:22:33"},
        {"SUBDIR   DIR      -          -          -          - 06/07/05 21:22:33 VMUSER", "SUBDIR", K::Directory, kNoSize, "2005-6-7 21:22:33"},
    });
}

TEST(ListingParser, FactsAndSmallSystems) {
    ExpectTable({
        {"+i8388621.29609,m824255902,/,\ttmp", "tmp", K::Directory, kNoSize, "1996-2-13 23:58:22"},
        {"+i8388621.44468,m839956783,r,s10376,\tRFC EPLF", "RFC EPLF", K::File, 10376, "1996-8-13 17:19:43"},
        {"+m839956783\tneither", "neither", K::Unknown, kNoSize, "1996-8-13 17:19:43"},
        {"type=file;size=1234;modify=20261207114805.123; notes.txt", "notes.txt", K::File, 1234, "2026-12-7 11:48:5"},
        {"type=OS.unix=slink;modify=20261207114805; nolink", "nolink", K::Link, kNoSize, "2026-12-7 11:48:5"},
        {"type=file;OS.unix=slink:/etc; etc", "etc", K::Link, kNoSize, "", "/etc"},
        {"type=cdir; /home/me", kNoEntry},
        {"File         Code             EOF  Last Modification    Owner  RWEP\n"
         "ALTERN        101             656  05-Nov-07 11:14:15  255,  1 \"OOOO\"", "ALTERN", K::File, 656, "2007-11-5 11:14:15"},
        {"BACKUP        1729O          4096  08-Oct-07 20:45:03  255,255 \"NUNU\"", "BACKUP", K::File, 4096, "2007-10-8 20:45:3"},
        {"  0.0     06/01/01 1230  d-ewrewr     2A200       960 CMDS", "CMDS", K::Directory, kNoSize, "2006-1-1 12:30"},
        {"  1.5     05/12/13 0943  ------wr     1F400      1234 read me", "read me", K::File, 1234, "2005-12-13 9:43"},
    });
    ExpectTable({
        {"type=dir;modify=19991231235959;UNIX.mode=755; pub", "pub", K::Directory, kNoSize, "1999-12-31 23:59:59"},
        {"type=file;size=0;  odd; name ", " odd; name ", K::File, 0, ""},
        {"type=pdir; ..", kNoEntry},
        {"-rw-r--r--   1 a b 3 Jan  1  2020 x", kUnreadable},
        {"type=file; bad\tname", kUnreadable},
    }, ListingParser::Form::Mlsd);
}

class ListingTextTest : public ::testing::Test {
protected:
    std::vector<std::string> ReadNames(const std::string& text) {
        const Result<Listing> listing = harness.session.Lister().Read(text, ListingParser::Form::List, "/");
        EXPECT_TRUE(listing.Ok());
        std::vector<std::string> names;
        if (listing) {
            for (const RemoteEntry& entry : listing.Value().entries) names.push_back(entry.name);
        }
        return names;
    }

    testsupport::SessionHarness harness;
};

TEST(ListingLines, GiveWholeLinesAndDropNetworkLineEnds) {
    const std::string longLine = "-" + std::string(178, 'a') + "dcontinued";  // 189 characters
    const std::string longest(kLongestListingLine, 'y');                      // its CR LF does not count
    const std::string tooLong(kLongestListingLine + 1, 'x');
    const std::string text = "first\r\n" + longLine + "\n" + tooLong + "\r\n" + longest + "\r\n" +
                             std::string("nul\0byte", 8) + "\nbare\rcr\n\nlast";
    ListingLines reader(text);
    std::string_view line;
    std::vector<std::string> lines;
    while (reader.Next(line)) lines.emplace_back(line);
    const std::vector<std::string> expected = {"first",    longLine, longest, std::string("nul\0byte", 8),
                                               "bare\rcr", "",       "last"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(reader.SkippedLines(), 1u) << "a line past the bound is passed over whole";
}

// A long name must come through whole in any position of the listing.
TEST_F(ListingTextTest, LongNamesComeThroughWholeInAnyPosition) {
    const std::string prefix = "-rw-r--r--    1 1000     1000            5 Jan 01  2020 ";
    const std::string longName = std::string(1200, 'n') + " with blanks";
    const std::vector<std::string> names = {"short", longName, std::string(255, 'z')};
    for (std::size_t position = 0; position < names.size(); ++position) {
        SCOPED_TRACE(position);
        std::vector<std::string> order = names;
        std::rotate(order.begin(), order.begin() + static_cast<long>(position), order.end());
        std::string text;
        for (const std::string& name : order) text += prefix + name + "\r\n";
        EXPECT_EQ(ReadNames(text + std::string(kLongestListingLine + 10, '-') + "\r\n"), order);
    }
    EXPECT_TRUE(harness.HasLine("Skipped 1 listing line longer than 16384 characters.")) << harness.Joined();
}

// Every line either gives an entry, is known to give none, or is logged
// (printable) and counted; mixed forms in one listing each read on their own.
TEST_F(ListingTextTest, UnreadableLinesAreLoggedOnceAndCounted) {
    const std::string text =
        ("total 2\n-rw-r--r--   1 ftp      ftp       5 Jan  1  2020 a b\n\n"
         "list of files follows\n12-07-26  11:48AM       <DIR>          pub\n"
         "lrwxrwxrwx   1 ftp      ftp       1 Jan  1  2020 l -> a b\n\x1b[2Jhostile\n");
    EXPECT_EQ(ReadNames(text), std::vector<std::string>({"a b", "pub", "l"}));
    EXPECT_TRUE(harness.HasLine("Could not read listing line: list of files follows")) << harness.Joined();
    EXPECT_TRUE(harness.HasLine("Could not read listing line: ?[2Jhostile")) << harness.Joined();
    EXPECT_TRUE(harness.HasLine("Skipped 2 listing lines that could not be read.")) << harness.Joined();
}

}  // namespace
