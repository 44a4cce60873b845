#include "ftp/walk_paths.h"

#include <gtest/gtest.h>

namespace {

TEST(LocalNameFor, WritesControlCharactersAsPercentHex) {
    const struct {
        std::string remote;
        std::string local;
        bool noticed;  // the log says so when the download lands on the mapped name
    } rows[] = {
        {"plain.txt", "plain.txt", false},
        {"100% a%20b.html", "100% a%20b.html", false},
        {"a\x1B[31mb", "a%1B[31mb", true},
        {"tab\there\n", "tab%09here%0A", true},
        {"del\x7F", "del%7F", true},
        {"caf\xC3\xA9", "caf\xC3\xA9", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.local);
        EXPECT_EQ(LocalNameFor(row.remote), row.local);
        EXPECT_EQ(LocalPathFor("/dl/", row.remote), "/dl/" + row.local);
        EXPECT_EQ(LocalNameNotice("/pub/" + row.remote, "/dl/" + row.local).empty(), !row.noticed);
    }
    EXPECT_EQ(LocalNameNotice("a\tb", "/dl/chosen"), "") << "a name the user chose is not the server's";
}

}  // namespace
