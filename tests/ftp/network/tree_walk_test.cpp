// Directory walks: order of the exchange, hostile names from the server, link
// loops, the extension table, listings and directories that fail, the current
// directory on both sides.
#include <dirent.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>

#include "scripted_transfer_session.h"
#include "support/temp_dir.h"
#include "support/session_settings.h"

namespace {

using testsupport::CapturedBytes;
using testsupport::TempDir;

std::string FileLine(const std::string& name) {
    return "-rw-r--r--   1 ftp ftp 4 Jan  1  2020 " + name + "\r\n";
}
std::string DirLine(const std::string& name) {
    return "drwxr-xr-x   2 ftp ftp 0 Jan  1  2020 " + name + "\r\n";
}

std::vector<std::string> NamesIn(const std::filesystem::path& path) {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(path))
        names.push_back(item.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

class TreeWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(s.LogIn());
        startDirectory = std::filesystem::current_path();
    }
    void TearDown() override {
        EXPECT_EQ(std::filesystem::current_path(), startDirectory) << "a walk changed the current directory";
        EXPECT_TRUE(s.server.Mismatches().empty());
        EXPECT_EQ(s.server.PendingSteps(), 0u);
    }

    testsupport::ScriptedTransferSession s;
    TempDir dir;
    std::filesystem::path startDirectory;
};

TEST_F(TreeWalkTest, HostileNamesNeverLeaveTheLocalDirectory) {
    const std::string listing = "total 11\r\n" + FileLine("..") + DirLine(".") + DirLine("..") +
                                FileLine("../escape") + FileLine("/etc/passwd") + DirLine("sub/inner") +
                                FileLine(std::string("nul\0name", 8)) + FileLine("") +
                                "lrwxrwxrwx   1 ftp ftp 4 Jan  1  2020 .. -> /etc\r\n" +
                                FileLine("good.txt") + FileLine("dirlist0021232.ftp");
    s.server.Expect("CWD", "250 Directory changed.\r\n");
    s.ScriptIncoming("LIST", "150 Here comes the listing.\r\n", listing);
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "good");
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "same name as the walk's listing file");
    s.server.Expect("CWD", "250 Directory changed.\r\n");

    const std::string root = (dir / "top").string();
    EXPECT_EQ(s.session.DownloadTree("top", &root).outcome, WalkResult::Outcome::Completed);

    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>({"top"}))
        << "nothing outside the given directory";
    EXPECT_EQ(NamesIn(root), std::vector<std::string>({"dirlist0021232.ftp", "good.txt"}));
    EXPECT_EQ(TempDir::ReadFile(dir / "top" / "good.txt"), "good");
    EXPECT_EQ(TempDir::ReadFile(dir / "top" / "dirlist0021232.ftp"), "same name as the walk's listing file");
    // "." and ".." are no entries; names with "/", NUL or nothing are lines
    // that cannot be read, each logged.
    int unreadable = 0;
    for (const std::string& line : s.harness.Lines())
        if (line.rfind("Could not read listing line: ", 0) == 0) ++unreadable;
    EXPECT_EQ(unreadable, 5) << s.harness.Joined();
    EXPECT_TRUE(s.harness.HasLine("Skipped 5 listing lines that could not be read.")) << s.harness.Joined();
    const auto commands = s.Commands();
    EXPECT_EQ(commands.front(), "CWD top");
    EXPECT_EQ(commands.back(), "CWD ..");
}

TEST_F(TreeWalkTest, UnsafeTopLevelNameWithoutLocalDirectoryIsRefused) {
    EXPECT_EQ(s.session.DownloadTree("../outside", nullptr).outcome, WalkResult::Outcome::SomeFailed);
    EXPECT_TRUE(s.Commands().empty());
    EXPECT_TRUE(s.harness.HasLine("Skipped \"../outside\": not a usable local name.")) << s.harness.Joined();
}

// Links: one back to the directory being walked is skipped, one that is not
// a directory is fetched as a file, one to a directory is walked from its real
// path, and the walk returns by PWD's path, since ".." from a link's target
// leads to the target's parent.
TEST_F(TreeWalkTest, LinksAreWalkedByWhatTheServerSaysTheyLeadTo) {
    s.server.Expect("CWD", "250 ok\r\n");
    s.ScriptIncoming("LIST", "150 Listing.\r\n",
                     "total 3\r\nlrwxrwxrwx   1 ftp ftp 1 Jan  1  2020 loop -> .\r\n"
                     "lrwxrwxrwx   1 ftp ftp 1 Jan  1  2020 note -> n.txt\r\n"
                     "lrwxrwxrwx   1 ftp ftp 1 Jan  1  2020 other -> ../o\r\n");
    s.server.Expect("PWD", "257 \"/top\" is current.\r\n").Expect("CWD", "250 ok\r\n");
    s.server.Expect("PWD", "257 \"/top\" is current.\r\n").Expect("CWD", "250 ok\r\n");
    s.server.Expect("PWD", "257 \"/top\" is current.\r\n").Expect("CWD", "550 Not a directory.\r\n");
    s.server.Expect("CWD", "550 Not a directory.\r\n");  // every refused CWD is asked twice
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "note");
    s.server.Expect("PWD", "257 \"/top\" is current.\r\n").Expect("CWD", "250 ok\r\n");
    s.server.Expect("PWD", "257 \"/o\" is current.\r\n").Expect("CWD", "250 ok\r\n");
    s.ScriptIncoming("LIST", "150 Listing.\r\n", "total 1\r\n" + FileLine("inner"));
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "innr");
    s.server.Expect("CWD", "250 ok\r\n").Expect("CWD", "250 ok\r\n").Expect("CWD", "250 ok\r\n");
    const std::string root = (dir / "top").string();
    s.session.DownloadTree("top", &root);
    EXPECT_EQ(NamesIn(root), (std::vector<std::string>{"note", "other"}));
    EXPECT_EQ(TempDir::ReadFile(dir / "top" / "other" / "inner"), "innr");
    EXPECT_EQ(s.session.WalkFailures(), 0) << s.harness.Joined();
    EXPECT_TRUE(s.harness.HasLine("Skipped link top/loop: it leads back to /top, already walked."))
        << s.harness.Joined();
    auto commands = s.Commands();
    for (std::string& command : commands) command = command.substr(0, command.find(" 127,"));
    const std::vector<std::string> tail(commands.end() - 14, commands.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"RETR note", "PWD", "CWD other", "PWD", "CWD /o", "TYPE A",
                                              "PORT", "LIST", "TYPE I", "PORT", "RETR inner", "CWD ..",
                                              "CWD /top", "CWD .."}))
        << s.harness.Joined();
}

// Without PWD the walk cannot tell where a link leads; the link is walked by
// its name, and the depth bound is all that ends a loop.
TEST_F(TreeWalkTest, LinkWithoutPwdIsBoundedByTheWalkDepth) {
    int levels = 0;
    for (; levels <= 64; ++levels) {
        s.server.Expect("CWD", "250 ok\r\n");
        s.ScriptIncoming("LIST", "150 Listing.\r\n",
                         "total 1\r\nlrwxrwxrwx   1 ftp ftp 1 Jan  1  2020 loop -> .\r\n");
        s.server.Expect("PWD", "502 Not here.\r\n");
    }
    for (int i = 0; i < levels; ++i) s.server.Expect("CWD", "250 ok\r\n");
    const std::string root = (dir / "top").string();
    s.session.DownloadTree("top", &root);
    EXPECT_TRUE(s.harness.HasLineContaining("Directory walk stopped, nested too deeply: ")) << s.harness.Joined();
}

TEST_F(TreeWalkTest, DirectoryThatContainsItselfStopsAtTheDepthBound) {
    // A server on which every directory holds "loop" and every CWD works.
    int levels = 0;
    for (; levels <= 64; ++levels) {
        s.server.Expect("CWD", "250 ok\r\n");
        s.ScriptIncoming("LIST", "150 Listing.\r\n", "total 1\r\n" + DirLine("loop"));
    }
    for (int i = 0; i < levels; ++i) s.server.Expect("CWD", "250 ok\r\n");

    const std::string root = (dir / "loop").string();
    s.session.DownloadTree("loop", &root);
    EXPECT_TRUE(s.harness.HasLineContaining("Directory walk stopped, nested too deeply: "))
        << s.harness.Joined();
    const auto commands = s.Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "CWD loop"),
              std::count(commands.begin(), commands.end(), "CWD .."))
        << "the walk climbs back out of every directory it entered";
}

TEST_F(TreeWalkTest, ExistingLocalDirectoryTransfersNothing) {
    std::filesystem::create_directory(dir / "there");
    const std::string root = (dir / "there").string();
    EXPECT_EQ(s.session.DownloadTree("there", &root).outcome, WalkResult::Outcome::SomeFailed);
    EXPECT_TRUE(s.Commands().empty());
}

// A table that arrives in the walk changes nothing for the rest of it: a
// binary file named like a text file still arrives unaltered.
TEST_F(TreeWalkTest, DownloadedExtensionTableDecidesNothingInItsWalk) {
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.transferMode = 'F'; });
    s.server.Expect("CWD", "250 ok\r\n");
    s.ScriptIncoming("LIST", "150 Listing.\r\n",
                     "total 2\r\n" + FileLine("Extension.ftp") + FileLine("image.txt"));
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "A TXT\n");
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "\x89PNG\r\n\x1a\n");
    s.server.Expect("CWD", "250 ok\r\n");
    const std::string root = (dir / "docs").string();
    s.session.DownloadTree("docs", &root);
    const auto commands = s.Commands();
    ASSERT_EQ(commands.size(), 12u);
    EXPECT_EQ(commands[5], "SIZE Extension.ftp") << "answered 502: not asked again";
    EXPECT_EQ(commands[7], "RETR Extension.ftp");
    EXPECT_EQ(commands[8], "TYPE I") << "the table just downloaded is not the walk's table";
    EXPECT_EQ(TempDir::ReadFile(dir / "docs" / "image.txt"), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(s.session.WalkFailures(), 0);
}

// "CWD .." climbs one level only; a walk given a nested path goes back to
// the directory the server named, or climbs once per component.
TEST_F(TreeWalkTest, NestedPathWalksEndWhereTheyStarted) {
    struct Row {
        bool upload;
        const char* pwdReply;
        const char* wayBack;
    };
    const Row rows[] = {
        {false, "257 \"/srv/ftp \"\"q\"\"\" is the current directory.\r\n", "CWD /srv/ftp \"q\""},
        {false, "500 PWD not understood.\r\n", "CWD ../.."},
        {true, "257 \"/srv/ftp\"\r\n", "CWD /srv/ftp"},
        {true, "550 Not allowed.\r\n", "CWD ../.."},
    };
    dir.WriteFile("up/a.txt", "x");
    int round = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pwdReply);
        s.server.Expect("PWD", row.pwdReply);
        if (row.upload) {
            s.server.Expect("MKD", "257 Created.\r\n").Expect("CWD", "250 ok\r\n");
            s.ScriptOutgoing(std::make_shared<CapturedBytes>());
            s.server.Expect("CWD", "250 ok\r\n");
            s.session.UploadTree((dir / "up").string(), "a/b");
        } else {
            s.server.Expect("CWD", "250 ok\r\n");
            s.ScriptIncoming("LIST", "150 Listing.\r\n", "total 0\r\n");
            s.server.Expect("CWD", "250 ok\r\n");
            const std::string root = (dir / ("down" + std::to_string(++round))).string();
            s.session.DownloadTree("a/b", &root);
        }
        EXPECT_EQ(s.Commands().back(), row.wayBack);
        EXPECT_EQ(s.session.WalkFailures(), 0);
    }
}

// The order in which the walk will meet the entries of a local directory.
std::vector<std::string> LocalOrder(const std::filesystem::path& path) {
    std::vector<std::string> names;
    DIR* directory = opendir(path.c_str());
    while (dirent* item = readdir(directory)) {
        std::string name = item->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(directory);
    return names;
}

TEST_F(TreeWalkTest, UploadWalkCreatesEntersAndClimbsBack) {
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.transferMode = 'F'; });
    dir.WriteFile("root/Extension.ftp", "A TXT\n");
    dir.WriteFile("root/a.txt", "line\n");
    dir.WriteFile("root/sub/b.txt", "binary here\n");

    std::map<std::string, std::shared_ptr<CapturedBytes>> received;
    std::vector<std::string> expected = {"MKD remote", "CWD remote"};
    s.server.Expect("MKD", "257 Created.\r\n").Expect("CWD", "250 ok\r\n");
    for (const std::string& name : LocalOrder(dir / "root")) {
        if (name == "sub") {
            s.server.Expect("MKD", "257 Created.\r\n").Expect("CWD", "250 ok\r\n");
            received["b.txt"] = std::make_shared<CapturedBytes>();
            s.ScriptOutgoing(received["b.txt"]);
            s.server.Expect("CWD", "250 ok\r\n");
            expected.insert(expected.end(), {"MKD sub", "CWD sub", "TYPE I", "STOR b.txt", "CWD .."});
        } else {
            received[name] = std::make_shared<CapturedBytes>();
            s.ScriptOutgoing(received[name]);
            expected.insert(expected.end(), {name == "a.txt" ? "TYPE A" : "TYPE I", "STOR " + name});
        }
    }
    s.server.Expect("CWD", "250 ok\r\n");
    expected.push_back("CWD ..");

    EXPECT_EQ(s.session.UploadTree((dir / "root").string(), "remote").outcome, WalkResult::Outcome::Completed);
    std::vector<std::string> commands;
    for (const std::string& command : s.Commands()) {
        if (command.rfind("PORT ", 0) != 0) commands.push_back(command);
    }
    EXPECT_EQ(commands, expected);
    EXPECT_EQ(received["a.txt"]->Get(), "line\r\n");
    EXPECT_EQ(received["b.txt"]->Get(), "binary here\n") << "no table in sub, so binary";
    EXPECT_EQ(received["Extension.ftp"]->Get(), "A TXT\n");
}

TEST_F(TreeWalkTest, RefusedRemoteDirectoryStopsTheUploadWalk) {
    dir.WriteFile("root/a.txt", "x");
    s.server.Expect("MKD", "550 Permission denied.\r\n").Expect("MKD", "550 Permission denied.\r\n");
    EXPECT_EQ(s.session.UploadTree((dir / "root").string(), "remote").outcome, WalkResult::Outcome::Aborted);
    EXPECT_EQ(s.waiter.Messages(),
              std::vector<std::string>({"Error Creating Remote Directory\nPossibly a Premissions Problem"}));
    EXPECT_TRUE(s.harness.status.stopWalk);
    EXPECT_EQ(s.Commands(), std::vector<std::string>({"MKD remote", "MKD remote"}));
}

// The directory was made but cannot be entered: storing on would put its
// files into the parent directory.
TEST_F(TreeWalkTest, RemoteDirectoryThatCannotBeEnteredGetsNothing) {
    dir.WriteFile("root/a.txt", "x");
    s.server.Expect("MKD", "257 Created.\r\n");
    s.server.Expect("CWD", "550 Permission denied.\r\n").Expect("CWD", "550 Permission denied.\r\n");
    s.session.UploadTree((dir / "root").string(), "remote");
    EXPECT_EQ(s.Commands(), std::vector<std::string>({"MKD remote", "CWD remote", "CWD remote"}));
    EXPECT_EQ(s.session.WalkFailures(), 1);
    EXPECT_TRUE(s.harness.HasLine("Could not enter remote directory remote; nothing stored in it."))
        << s.harness.Joined();
}

// Root reads every directory; the test thread gives that override up while
// the walk runs (capabilities belong to each thread), so the case means the
// same for every user.
class WithoutReadOverride {
public:
    WithoutReadOverride() {
        if (syscall(SYS_capget, &header, saved) != 0) return;
        __user_cap_data_struct lowered[2] = {saved[0], saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        changed = syscall(SYS_capset, &header, lowered) == 0;
    }
    ~WithoutReadOverride() {
        if (changed) syscall(SYS_capset, &header, saved);
    }
    WithoutReadOverride(const WithoutReadOverride&) = delete;
    WithoutReadOverride& operator=(const WithoutReadOverride&) = delete;

private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
    bool changed = false;
};

TEST_F(TreeWalkTest, UnreadableLocalDirectoryIsAFailure) {
    dir.WriteFile("root/a.txt", "x");
    dir.WriteFile("root/locked/b.txt", "y");
    std::filesystem::permissions(dir / "root" / "locked", std::filesystem::perms::none);
    s.server.Expect("MKD", "257 Created.\r\n").Expect("CWD", "250 ok\r\n");
    s.ScriptOutgoing(std::make_shared<CapturedBytes>());
    s.server.Expect("CWD", "250 ok\r\n");
    {
        WithoutReadOverride unprivileged;
        s.session.UploadTree((dir / "root").string(), "remote");
    }
    std::filesystem::permissions(dir / "root" / "locked", std::filesystem::perms::owner_all);
    EXPECT_EQ(s.session.WalkFailures(), 1);
    EXPECT_TRUE(s.harness.HasLine("Could not read local directory " + (dir / "root" / "locked").string() +
                                  ": Permission denied"))
        << s.harness.Joined();
    const auto commands = s.Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "MKD locked"), 0) << "nothing made for it";
}

// A local tree whose two links lead back to its own top doubles with every
// level; the upload stops at the walk's directory budget and climbs back out.
TEST_F(TreeWalkTest, LocalLinkLoopEndsAtTheDirectoryBudget) {
    std::filesystem::create_directories(dir / "root");
    std::filesystem::create_directory_symlink(".", dir / "root" / "a");
    std::filesystem::create_directory_symlink(".", dir / "root" / "b");
    constexpr std::size_t kBudget = 4;
    s.session.Walks().SetDirectoryLimit(kBudget);
    for (std::size_t level = 0; level < kBudget; ++level) {
        s.server.Expect("MKD", "257 Created.\r\n").Expect("CWD", "250 ok\r\n");
    }
    for (std::size_t level = 0; level < kBudget; ++level) s.server.Expect("CWD", "250 ok\r\n");

    EXPECT_EQ(s.session.UploadTree((dir / "root").string(), "remote").outcome, WalkResult::Outcome::Aborted);
    EXPECT_EQ(s.server.PendingSteps(), 0u);
    EXPECT_TRUE(s.server.Mismatches().empty());
    EXPECT_TRUE(s.harness.HasLine("Directory walk stopped after 4 directories: the tree is too large or loops."))
        << s.harness.Joined();
    EXPECT_EQ(s.Commands().size(), 3 * kBudget);
}

}  // namespace
