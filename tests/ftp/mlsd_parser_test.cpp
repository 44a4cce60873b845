// MLSD lines read into the fields a LIST line gives.
#include "ftp/mlsd_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct MlsdCase {
    const char* title;
    std::string line;
    bool accepted;
    int isFile;
    const char* permissions;
    const char* size;
    const char* date;
    const char* owner;
    const char* name;
};

const MlsdCase kMlsdCases[] = {
    {"pyftpdlib file",
     "type=file;size=1234;modify=20261207114805.123;perm=radfwMT;unix.mode=0644;unix.uid=1000; notes.txt",
     true, 1, "-rw-r--r--", "1234", "2026-12-07 11:48", "1000", "notes.txt"},
    {"directory, facts in capitals", "Type=dir;Modify=19991231235959;UNIX.mode=755;UNIX.owner=ftp; pub", true,
     0, "drwxr-xr-x", "", "1999-12-31 23:59", "ftp", "pub"},
    {"name keeps blanks, semicolons and a leading blank", "type=file;size=0;  odd; name =x", true, 1, "-",
     "0", "", "", " odd; name =x"},
    {"symbolic link", "type=OS.unix=slink:/etc;unix.mode=0777; etc", true, 0, "lrwxrwxrwx", "", "", "",
     "etc"},
    {"link named by OS.unix", "type=file;OS.unix=symlink; lnk", true, 0, "l", "", "", "", "lnk"},
    {"mode written as Python octal", "type=dir;unix.mode=0o750; d", true, 0, "drwxr-x---", "", "", "", "d"},
    {"set-id digit left out of the letters", "type=file;unix.mode=4750; s", true, 1, "-rwxr-x---", "", "", "",
     "s"},
    {"bad size, date and mode are left empty", "type=file;size=12x;modify=2026;unix.mode=9z9; f", true, 1,
     "-", "", "", "", "f"},
    {"current directory", "type=cdir;modify=20261207114805; .", false, 0, "", "", "", "", ""},
    {"parent directory", "type=pdir; ..", false, 0, "", "", "", "", ""},
    {"device, listed as of unknown kind", "type=OS.unix=chr-13/29; tty", true, 1, "?", "", "", "", "tty"},
    {"no type", "size=5; f", false, 0, "", "", "", "", ""},
    {"no blank before the name", "type=file;size=5;f", false, 0, "", "", "", "", ""},
    {"blank but no name", "type=file; ", false, 0, "", "", "", "", ""},
    {"LIST line", "-rw-r--r--   1 a b 3 Jan  1  2020 x", false, 0, "", "", "", "", ""},
    {"empty line", "", false, 0, "", "", "", "", ""},
    {"facts without values", "type;=;;=file; x", false, 0, "", "", "", "", ""},
};

TEST(MlsdParser, ParsesEveryTableRow) {
    for (const MlsdCase& row : kMlsdCases) {
        SCOPED_TRACE(row.title);
        RemoteEntry entry;
        entry.links = "stale";
        ASSERT_EQ(ParseMlsdLine(row.line, entry), row.accepted);
        if (!row.accepted) continue;
        EXPECT_EQ(entry.isFile, row.isFile);
        EXPECT_EQ(entry.permissions, row.permissions);
        EXPECT_EQ(entry.sizeText, row.size);
        EXPECT_EQ(entry.dateText, row.date);
        EXPECT_EQ(entry.owner, row.owner);
        EXPECT_EQ(entry.name, row.name);
        EXPECT_EQ(entry.links, "");
    }
}

}  // namespace
