// MLSD lines read into typed entries.
#include "ftp/mlsd_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct MlsdCase {
    const char* title;
    std::string line;
    bool accepted;
    EntryKind kind;
    const char* permissions;
    const char* size;
    const char* date;
    const char* owner;
    const char* name;
};

const MlsdCase kMlsdCases[] = {
    {"pyftpdlib file",
     "type=file;size=1234;modify=20261207114805.123;perm=radfwMT;unix.mode=0644;unix.uid=1000; notes.txt",
     true, EntryKind::File, "-rw-r--r--", "1234", "2026-12-07 11:48", "1000", "notes.txt"},
    {"directory, facts in capitals", "Type=dir;Modify=19991231235959;UNIX.mode=755;UNIX.owner=ftp; pub", true,
     EntryKind::Directory, "drwxr-xr-x", "", "1999-12-31 23:59", "ftp", "pub"},
    {"name keeps blanks, semicolons and a leading blank", "type=file;size=0;  odd; name =x", true, EntryKind::File, "-",
     "0", "", "", " odd; name =x"},
    {"symbolic link", "type=OS.unix=slink:/etc;unix.mode=0777; etc", true, EntryKind::Link, "lrwxrwxrwx", "", "", "",
     "etc"},
    {"link named by OS.unix", "type=file;OS.unix=symlink; lnk", true, EntryKind::Link, "l", "", "", "", "lnk"},
    {"mode written as Python octal", "type=dir;unix.mode=0o750; d", true, EntryKind::Directory, "drwxr-x---", "", "", "", "d"},
    {"set-id digit left out of the letters", "type=file;unix.mode=4750; s", true, EntryKind::File, "-rwxr-x---", "", "", "",
     "s"},
    {"bad size, date and mode are left empty", "type=file;size=12x;modify=2026;unix.mode=9z9; f", true, EntryKind::File,
     "-", "", "", "", "f"},
    {"time out of range is left empty", "type=file;modify=20261207116805; g", true, EntryKind::File, "-", "", "", "",
     "g"},
    {"current directory", "type=cdir;modify=20261207114805; .", false, EntryKind::Unknown, "", "", "", "", ""},
    {"parent directory", "type=pdir; ..", false, EntryKind::Unknown, "", "", "", "", ""},
    {"device, listed as of unknown kind", "type=OS.unix=chr-13/29; tty", true, EntryKind::Unknown, "?", "", "", "", "tty"},
    {"no type", "size=5; f", false, EntryKind::Unknown, "", "", "", "", ""},
    {"no blank before the name", "type=file;size=5;f", false, EntryKind::Unknown, "", "", "", "", ""},
    {"blank but no name", "type=file; ", false, EntryKind::Unknown, "", "", "", "", ""},
    {"LIST line", "-rw-r--r--   1 a b 3 Jan  1  2020 x", false, EntryKind::Unknown, "", "", "", "", ""},
    {"empty line", "", false, EntryKind::Unknown, "", "", "", "", ""},
    {"facts without values", "type;=;;=file; x", false, EntryKind::Unknown, "", "", "", "", ""},
};

TEST(MlsdParser, ParsesEveryTableRow) {
    for (const MlsdCase& row : kMlsdCases) {
        SCOPED_TRACE(row.title);
        RemoteEntry entry;
        entry.links = "stale";
        ASSERT_EQ(ParseMlsdLine(row.line, entry), row.accepted);
        if (!row.accepted) continue;
        EXPECT_EQ(entry.kind, row.kind);
        EXPECT_EQ(entry.permissions, row.permissions);
        EXPECT_EQ(entry.size ? std::to_string(*entry.size) : "", row.size);
        EXPECT_EQ(entry.modified.shown, row.date);
        EXPECT_EQ(entry.owner, row.owner);
        EXPECT_EQ(entry.name, row.name);
        EXPECT_EQ(entry.links, "");
    }
}

}  // namespace
