// Listings that try to lead a download out of its directory or round in
// circles, and a server that quits in the middle of a directory walk.
#include <algorithm>
#include <chrono>
#include <filesystem>

#include "hostile_fixture.h"
#include "support/session_settings.h"

namespace hostile {
namespace {

using namespace std::chrono_literals;
using testsupport::TempDir;

// The names a hostile listing may carry; "/escaped" stands for "/etc/x" but
// points into the case's own directory, so a failure harms nothing.
std::vector<std::string> HostileNames(const std::filesystem::path& caseDir) {
    return {"../x", (caseDir / "escaped").string(), "a/b", "..", ".", ""};
}

TEST_F(HostileServerTest, WalkSkipsNamesThatLeaveItsDirectory) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    std::vector<std::string> lines;
    for (const std::string& name : HostileNames(dir.Path())) {
        lines.push_back(FileLine(name));
        lines.push_back(DirectoryLine(name));
    }
    lines.push_back(FileLine("good.txt"));
    s.server.Expect("CWD", "250 ok\r\n");
    s.ScriptIncoming("LIST", "150 Here comes the listing.\r\n", Listing(lines));
    s.ScriptIncoming("RETR", "150 Opening (3 bytes).\r\n", "abc");
    s.server.Expect("CWD", "250 ok\r\n");

    const std::string root = (dir / "top").string();
    Stopwatch clock;
    EXPECT_EQ(s.session.DownloadTree("top", &root).outcome, WalkResult::Outcome::Completed);
    EXPECT_LT(clock.Elapsed(), 5s);

    EXPECT_EQ(LocalTree(), std::vector<std::string>({"top", "top/good.txt"}));
    EXPECT_EQ(TempDir::ReadFile(dir / "top" / "good.txt"), "abc");
    EXPECT_EQ(s.server.PendingSteps(), 0u);
    EXPECT_TRUE(s.server.Mismatches().empty());
    const std::vector<std::string> commands = s.Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "CWD ..");
    // Each line with an unusable name is logged as unreadable; "." and ".."
    // are no entries and no news.
    for (const std::string& name : HostileNames(dir.Path())) {
        const bool dots = name == "." || name == "..";
        EXPECT_NE(s.harness.HasLine("Could not read listing line: " + FileLine(name)), dots) << name;
        EXPECT_NE(s.harness.HasLine("Could not read listing line: " + DirectoryLine(name)), dots) << name;
    }
    EXPECT_TRUE(s.harness.HasLine("Skipped 8 listing lines that could not be read.")) << s.harness.Joined();
}

// The same names through MLSD, as files and directories, among lines that are
// not MLSD lines at all: the walk takes only the good file.
TEST_F(HostileServerTest, MlsdWalkSkipsNamesThatLeaveItsDirectory) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn("211-Features:\r\n MLST type*;size*;\r\n211 End\r\n"));
    std::string listing = "garbage\r\n;;;\r\ntype=file;size=3;no-name-follows\r\n";
    for (const std::string& name : HostileNames(dir.Path()))
        listing += "type=file;size=3; " + name + "\r\ntype=dir; " + name + "\r\n";
    listing += "type=file;size=3; good.txt\r\n";
    s.server.Expect("MLST", "550 Not shown.\r\n");  // the walk asks who its top is; a refusal changes nothing
    s.server.Expect("CWD", "250 ok\r\n");
    s.ScriptIncoming("MLSD", "150 Here comes the listing.\r\n", listing);
    s.ScriptIncoming("RETR", "150 Opening (3 bytes).\r\n", "abc");
    s.server.Expect("CWD", "250 ok\r\n");

    const std::string root = (dir / "top").string();
    EXPECT_EQ(s.session.DownloadTree("top", &root).outcome, WalkResult::Outcome::Completed);
    EXPECT_EQ(LocalTree(), std::vector<std::string>({"top", "top/good.txt"}));
    EXPECT_EQ(s.server.PendingSteps(), 0u);
    EXPECT_TRUE(s.server.Mismatches().empty());
    for (const std::string& name : HostileNames(dir.Path())) {
        const bool dots = name == "." || name == "..";
        EXPECT_NE(s.harness.HasLine("Could not read listing line: type=dir; " + name), dots) << name;
    }
    // The three lines that are no MLSD lines, and two for each of four names.
    EXPECT_TRUE(s.harness.HasLine("Skipped 11 listing lines that could not be read.")) << s.harness.Joined();
}

// Blanks at either end of a name belong to it: the walk asks for the name
// the server listed and saves the file under it.
TEST_F(HostileServerTest, WalkKeepsBlanksAroundNames) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    s.server.Expect("CWD", "250 ok\r\n");
    s.ScriptIncoming("LIST", "150 Here comes the listing.\r\n", Listing({FileLine(" lead.txt "), FileLine("plain")}));
    s.ScriptIncoming("RETR", "150 Opening (3 bytes).\r\n", "abc");
    s.ScriptIncoming("RETR", "150 Opening (3 bytes).\r\n", "xyz");
    s.server.Expect("CWD", "250 ok\r\n");

    const std::string root = (dir / "top").string();
    EXPECT_EQ(s.session.DownloadTree("top", &root).outcome, WalkResult::Outcome::Completed) << s.harness.Joined();
    const std::vector<std::string> commands = s.Commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "RETR  lead.txt "), commands.end()) << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(dir / "top" / " lead.txt "), "abc");
    EXPECT_EQ(TempDir::ReadFile(dir / "top" / "plain"), "xyz");
}

TEST_F(HostileServerTest, SingleDownloadRefusesNamesThatLeaveTheDownloadDirectory) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    const std::filesystem::path downloads = dir / "downloads";
    std::filesystem::create_directory(downloads);
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) {
        config.downloadDir = downloads.string() + "/";
    });
    for (const std::string& name : HostileNames(dir.Path())) {
        SCOPED_TRACE(name);
        EXPECT_EQ(s.session.DownloadFile(name, nullptr), kNoReply);
        EXPECT_TRUE(s.harness.HasLine("Skipped \"" + name + "\": not a usable local name.")) << s.harness.Joined();
    }
    EXPECT_TRUE(s.Commands().empty()) << "nothing is asked of the server";
    EXPECT_EQ(LocalTree(), std::vector<std::string>({"downloads"}));
}

// A link to "." that the server lets the client enter: every level lists
// itself again. The walk must end by itself, inside its directory, back
// where it started on the server.
TEST_F(HostileServerTest, LinkLoopEndsAtTheDepthLimit) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    const std::string loop = Listing({"lrwxrwxrwx   1 ftp      ftp         1 Jan  1  2020 loop -> ."});
    constexpr int kLevels = 65;  // the walk's depth limit is 64 below the first level
    for (int level = 0; level < kLevels; ++level) {
        s.server.Expect("CWD", "250 ok\r\n");
        s.ScriptIncoming("LIST", "150 Here it is again.\r\n", loop);
        s.server.Expect("PWD", "502 Not implemented.\r\n");  // where the link leads stays unknown
    }
    for (int level = 0; level < kLevels; ++level) s.server.Expect("CWD", "250 ok\r\n");

    const std::string root = (dir / "loop").string();
    Stopwatch clock;
    EXPECT_EQ(s.session.DownloadTree("loop", &root).outcome, WalkResult::Outcome::SomeFailed);
    EXPECT_LT(clock.Elapsed(), 30s);

    EXPECT_TRUE(s.harness.HasLineContaining("nested too deeply")) << s.harness.Joined();
    EXPECT_EQ(s.server.PendingSteps(), 0u);
    EXPECT_TRUE(s.server.Mismatches().empty());
    EXPECT_EQ(s.Commands().back(), "CWD ..");
    for (const std::string& path : LocalTree()) EXPECT_EQ(path.rfind("loop", 0), 0u) << path;
}

// Two links back to "." on every level, on a server that cannot say PWD (so
// the links cannot be told apart from real directories): the walk would double with each level
// down to the depth limit. It stops at its directory budget, says so once, and
// climbs back out without entering anything more.
TEST_F(HostileServerTest, ForkingLinkLoopEndsAtTheDirectoryBudget) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    constexpr std::size_t kBudget = 6;
    s.session.Walks().SetDirectoryLimit(kBudget);
    const std::string forks = Listing({"lrwxrwxrwx   1 ftp      ftp         1 Jan  1  2020 a -> .",
                                       "lrwxrwxrwx   1 ftp      ftp         1 Jan  1  2020 b -> ."});
    for (std::size_t level = 0; level < kBudget; ++level) {
        s.server.Expect("CWD", "250 ok\r\n");
        s.ScriptIncoming("LIST", "150 Two ways back.\r\n", forks);
        s.server.Expect("PWD", "502 Not implemented.\r\n");
    }
    for (std::size_t level = 0; level < kBudget; ++level) s.server.Expect("CWD", "250 ok\r\n");

    const std::string root = (dir / "fork").string();
    EXPECT_EQ(s.session.DownloadTree("fork", &root).outcome, WalkResult::Outcome::Aborted);

    EXPECT_EQ(s.server.PendingSteps(), 0u);
    EXPECT_TRUE(s.server.Mismatches().empty());
    EXPECT_EQ(s.Commands().back(), "CWD ..");
    EXPECT_EQ(std::count_if(s.harness.Lines().begin(), s.harness.Lines().end(),
                            [](const std::string& line) {
                                return line == "Directory walk stopped after 6 directories: the tree is too large or loops.";
                            }),
              1)
        << s.harness.Joined();
    EXPECT_GT(s.session.WalkFailures(), 0);
    EXPECT_EQ(LocalTree().size(), kBudget) << "one local directory per directory entered";
}

// "421 closing control connection" in the middle of a walk: nothing more is
// sent, the walk unwinds at once, and the log says why.
TEST_F(HostileServerTest, ServiceClosingInTheMiddleOfAWalkStopsIt) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    s.server.Expect("CWD", "250 ok\r\n");
    s.ScriptIncoming("LIST", "150 Listing.\r\n",
                     Listing({DirectoryLine("sub"), FileLine("after.txt")}));
    s.server.Expect("CWD", "250 ok\r\n");
    s.ScriptIncoming("LIST", "150 Listing.\r\n", Listing({FileLine("a.txt"), FileLine("b.txt"), FileLine("c.txt")}));
    s.ScriptIncoming("RETR", "150 Opening (3 bytes).\r\n", "aaa");
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [](testsupport::ScriptedConnection& connection, const std::string&) {
        connection.Send("421 Service not available, closing control connection.\r\n");
        connection.Close();
    });

    const std::string root = (dir / "top").string();
    Stopwatch clock;
    EXPECT_EQ(s.session.DownloadTree("top", &root).outcome, WalkResult::Outcome::Aborted);
    EXPECT_LT(clock.Elapsed(), 3s);

    const std::vector<std::string>& lines = s.harness.Lines();
    const auto closing = std::find(lines.begin(), lines.end(), "421 Service not available, closing control connection.");
    ASSERT_NE(closing, lines.end()) << s.harness.Joined();
    for (auto line = closing; line != lines.end(); ++line) {
        EXPECT_NE(line->rfind("Quillmoor: ", 0), 0u) << "no command follows the 421: " << *line;
    }
    EXPECT_TRUE(s.harness.HasLine("Directory walk stopped: the connection to the server is lost."))
        << s.harness.Joined();
    EXPECT_EQ(LocalTree(), std::vector<std::string>({"top", "top/sub", "top/sub/a.txt"}));
}

}  // namespace
}  // namespace hostile
