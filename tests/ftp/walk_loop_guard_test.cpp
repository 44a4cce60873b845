// The directories a download walk is inside, and the links that lead back to them.
#include "ftp/walk_loop_guard.h"

#include <gtest/gtest.h>

namespace {

struct LevelEntered {
    const char* shownName;
    const char* realPath;
    const char* unique;
};

struct GuardCase {
    const char* what;
    std::vector<LevelEntered> levels;
    const char* learnt;  // real path the last level learns from PWD, or nullptr
    WalkLoopGuard::Identity target;
    const char* leadsBackTo;
};

const GuardCase kCases[] = {
    {"link to the directory being listed", {{"top", "/srv/top", ""}}, nullptr, {"/srv/top", ""}, "/srv/top"},
    {"link to the parent of the walk", {{"top", "/srv/top", ""}}, nullptr, {"/srv", ""}, "/srv"},
    {"link to the server root", {{"top", "", ""}, {"top/a", "", ""}}, "/x/top/a", {"/", ""}, "/"},
    {"sibling with a common prefix", {{"top", "/srv/top", ""}}, nullptr, {"/srv/topper", ""}, ""},
    {"directory below the walk", {{"top", "/srv/top", ""}}, nullptr, {"/srv/top/a", ""}, ""},
    {"plain levels take their path from the level above",
     {{"top", "/srv/top", ""}, {"top/a", "", ""}, {"a/b", "", ""}},
     nullptr,
     {"/srv/top/a/b", ""},
     "/srv/top/a/b"},
    {"path learnt from PWD in a plain level", {{"top", "", ""}, {"top/a", "", ""}}, "/srv/top/a",
     {"/srv/top/a", ""}, "/srv/top/a"},
    {"unknown paths match nothing", {{"top", "", ""}, {"top/a", "", ""}}, nullptr, {"/srv/top/a", ""}, ""},
    {"unique fact of an ancestor", {{"top", "", "u1"}, {"top/a", "", "u2"}}, nullptr, {"", "u1"}, "top"},
    {"unique fact of no ancestor", {{"top", "", "u1"}}, nullptr, {"", "u3"}, ""},
    {"no identity at all", {{"top", "", ""}}, nullptr, {"", ""}, ""},
};

TEST(WalkLoopGuardTest, KnowsTheDirectoriesTheWalkIsInside) {
    for (const GuardCase& c : kCases) {
        WalkLoopGuard guard;
        for (const LevelEntered& level : c.levels) guard.Enter(level.shownName, {level.realPath, level.unique});
        if (c.learnt != nullptr) guard.LearnRealPath(c.learnt);
        EXPECT_EQ(guard.LeadsBackTo(c.target), c.leadsBackTo) << c.what;
    }
}

TEST(WalkLoopGuardTest, ForgetsADirectoryTheWalkHasLeft) {
    WalkLoopGuard guard;
    guard.Enter("top", {"/srv/top", ""});
    guard.Enter("top/a", {"", "ua"});
    ASSERT_EQ(guard.LeadsBackTo({"", "ua"}), "top/a");
    guard.Leave();
    EXPECT_EQ(guard.LeadsBackTo({"", "ua"}), "") << "a link to a sibling walked before is walked again";
    EXPECT_EQ(guard.LeadsBackTo({"/srv/top/a", ""}), "");
    guard.Clear();
    EXPECT_EQ(guard.LeadsBackTo({"/srv/top", ""}), "");
}

TEST(WalkLoopGuardTest, ReadsTheDirectoryOfAPwdReply) {
    const std::pair<const char*, const char*> cases[] = {
        {"257 \"/a/b\" is the current directory.", "/a/b"},
        {"257 \"/say \"\"hi\"\"\" is current", "/say \"hi\""},
        {"257 no quotes", nullptr},
        {"257 \"unterminated", nullptr},
        {"257 \"\" empty", nullptr},
    };
    for (const auto& [reply, expected] : cases) {
        std::string directory;
        EXPECT_EQ(ParseQuotedDirectory(reply, directory), expected != nullptr) << reply;
        if (expected != nullptr) {
            EXPECT_EQ(directory, expected) << reply;
        }
    }
}

}  // namespace
