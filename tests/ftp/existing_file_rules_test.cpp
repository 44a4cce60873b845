// The rules for a target that exists: free names beside it, the newer-source
// comparison, and making the target the partial file a resume continues.
#include "ftp/existing_file_rules.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "ftp/resume_plan.h"
#include "support/temp_dir.h"

namespace {

TEST(NumberedFreeName, NumbersTheStemAndKeepsTheExtension) {
    struct Case {
        const char* name;
        std::set<std::string> taken;
        const char* expected;  // "" for refused
    };
    const Case cases[] = {
        {"a.txt", {}, "a (1).txt"},
        {"a.txt", {"a (1).txt"}, "a (2).txt"},
        {"a.txt", {"a (1).txt", "a (2).txt", "a (4).txt"}, "a (3).txt"},
        {"a (1).txt", {"a (1) (1).txt"}, "a (1) (2).txt"},
        {"README", {}, "README (1)"},
        {"report.tar.gz", {}, "report.tar (1).gz"},
        {".profile", {}, ".profile (1)"},
        {".config.bak", {}, ".config (1).bak"},
        {"..x", {}, "..x (1)"},
        {"trailing.", {}, "trailing (1)."},
        {"with space.txt", {}, "with space (1).txt"},
        // Names that no file beside the target can have are refused.
        {"", {}, ""},
        {".", {}, ""},
        {"..", {}, ""},
        {"dir/a.txt", {}, ""},
        {"../a.txt", {}, ""},
        {"/etc/passwd", {}, ""},
    };
    for (const Case& c : cases) {
        const std::string free = NumberedFreeName(
            c.name, [&c](const std::string& candidate) { return c.taken.count(candidate) > 0; });
        EXPECT_EQ(free, c.expected) << c.name;
    }
}

TEST(NumberedFreeName, GivesUpWhenTheNameWouldBeTooLongOrNothingIsFree) {
    EXPECT_EQ(NumberedFreeName(std::string(250, 'n') + ".txt", [](const std::string&) { return false; }), "");
    EXPECT_EQ(NumberedFreeName(std::string(240, 'n'), [](const std::string&) { return false; }),
              std::string(240, 'n') + " (1)");
    EXPECT_EQ(NumberedFreeName("a", [](const std::string&) { return true; }), "");
}

TEST(FreeLocalName, CountsEverythingInTheDirectoryAndStaysInIt) {
    testsupport::TempDir dir;
    dir.WriteFile("a.txt", "x");
    dir.WriteFile("a (1).txt", "x");
    std::filesystem::create_directory(dir / "a (2).txt");
    ASSERT_EQ(symlink("nowhere", (dir / "a (3).txt").c_str()), 0);  // a dangling link is in the way too
    EXPECT_EQ(FreeLocalName(dir.Path().string(), "a.txt"), "a (4).txt");
    EXPECT_EQ(FreeLocalName(dir.Path().string(), "b.txt"), "b (1).txt");
    EXPECT_EQ(FreeLocalName(dir.Path().string(), "../a.txt"), "");
}

TEST(FreeRemoteName, AvoidsEveryListedName) {
    EXPECT_EQ(FreeRemoteName("notes.txt", {"notes.txt", "notes (1).txt", "other"}), "notes (2).txt");
    EXPECT_EQ(FreeRemoteName("notes.txt", {}), "notes (1).txt");
    EXPECT_EQ(FreeRemoteName("a/b", {}), "");
}

TEST(SourceIsNewer, ComparesWholeSecondsOfKnownTimes) {
    struct Case {
        std::optional<ServerTime> source;
        std::optional<ServerTime> target;
        bool comparable;
        bool newer;
    };
    const Case cases[] = {
        {ServerTime{200, 0}, ServerTime{100, 0}, true, true},
        {ServerTime{100, 0}, ServerTime{200, 0}, true, false},
        {ServerTime{100, 0}, ServerTime{100, 0}, true, false},
        // A download that kept the server's time to the second is not older.
        {ServerTime{100, 0}, ServerTime{100, 999999999}, true, false},
        {ServerTime{100, 900000000}, ServerTime{100, 0}, true, false},
        {ServerTime{-5, 0}, ServerTime{-6, 0}, true, true},
        {std::nullopt, ServerTime{100, 0}, false, false},
        {ServerTime{100, 0}, std::nullopt, false, false},
        {std::nullopt, std::nullopt, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TimesComparable(c.source, c.target), c.comparable);
        EXPECT_EQ(SourceIsNewer(c.source, c.target), c.newer)
            << (c.source ? c.source->seconds : -1) << " vs " << (c.target ? c.target->seconds : -1);
    }
}

TEST(LocalModificationTime, ReadsTheFilesTimeOrNone) {
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("f", "x").string();
    ASSERT_EQ(SetModificationTime(path, ServerTime{1700000000, 0}), 0);
    const std::optional<ServerTime> time = LocalModificationTime(path);
    ASSERT_TRUE(time.has_value());
    EXPECT_EQ(time->seconds, 1700000000);
    EXPECT_FALSE(LocalModificationTime((dir / "missing").string()).has_value());
}

TEST(MakeTargetThePartialFile, MovesAPlainTargetUnlessAPartialFileIsThere) {
    testsupport::TempDir dir;
    const std::string target = dir.WriteFile("t.bin", "start").string();
    ASSERT_EQ(MakeTargetThePartialFile(target), 0);
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(testsupport::TempDir::ReadFile(PartialFilePath(target)), "start");

    // An earlier download's partial file is what is continued; the target stays.
    dir.WriteFile("t.bin", "other");
    ASSERT_EQ(MakeTargetThePartialFile(target), 0);
    EXPECT_EQ(testsupport::TempDir::ReadFile(target), "other");
    EXPECT_EQ(testsupport::TempDir::ReadFile(PartialFilePath(target)), "start");

    // Only a regular file is moved; nothing at all is an error.
    std::filesystem::create_directory(dir / "d");
    EXPECT_NE(MakeTargetThePartialFile((dir / "d").string()), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "d"));
    EXPECT_NE(MakeTargetThePartialFile((dir / "absent").string()), 0);
}

}  // namespace
