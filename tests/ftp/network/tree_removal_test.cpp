// Deleting a remote folder with everything in it: counts, the order of the
// exchange, links deleted rather than followed, refusals reported.
#include "ftp/tree_removal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/polling_waiter.h"
#include "real_server_login.h"
#include "scripted_transfer_session.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RealFtpServer;

std::string FileLine(const std::string& name) {
    return "-rw-r--r--   1 ftp ftp 4 Jan  1  2020 " + name + "\r\n";
}
std::string DirLine(const std::string& name) {
    return "drwxr-xr-x   2 ftp ftp 0 Jan  1  2020 " + name + "\r\n";
}

struct ServerKind {
    const char* name;
    std::unique_ptr<RealFtpServer> (*start)();
};

const ServerKind kServers[] = {
    {"pyftpdlib", [] { return std::unique_ptr<RealFtpServer>(new testsupport::PyftpdlibServer); }},
    {"vsftpd", [] { return std::unique_ptr<RealFtpServer>(new testsupport::VsftpdServer); }},
};

void PrintTo(const ServerKind& kind, std::ostream* out) { *out << kind.name; }

class TreeRemovalRealServer : public testing::TestWithParam<ServerKind> {};

// A tree of files, nested and empty folders and a link to a folder outside
// it: the survey counts what is inside, the removal leaves nothing of it and
// nothing outside it is touched.
TEST_P(TreeRemovalRealServer, CountsAndRemovesEverythingButFollowsNoLink) {
    std::unique_ptr<RealFtpServer> server = GetParam().start();
    if (!server->Started()) GTEST_SKIP() << server->Problem();
    const fs::path disk = server->WritableDir();
    fs::create_directories(disk / "victim" / "sub" / "deeper");
    fs::create_directories(disk / "victim" / "empty");
    fs::create_directories(disk / "keep");
    for (const char* file :
         {"victim/a.txt", "victim/b c.bin", "victim/sub/c.txt", "victim/sub/deeper/d.txt", "keep/k.txt"})
        std::ofstream(disk / file) << file;
    fs::create_directory_symlink("../keep", disk / "victim" / "link");
    // The server's anonymous user deletes in folders that the test made.
    for (const char* folder : {"victim", "victim/sub", "victim/sub/deeper", "victim/empty", "keep"})
        fs::permissions(disk / folder, fs::perms::all);

    testsupport::SessionHarness harness;
    PollingWaiter waiter;
    testsupport::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(
        testsupport::LogInToRealServer(harness, waiter, *server, [](ConnectionSettings&) {}));
    FtpSession& session = harness.session;

    TreeRemoval removal(session);
    ASSERT_TRUE(removal.Survey("victim")) << removal.Problem() << "\n" << harness.Joined();
    EXPECT_EQ(removal.Contents().files, 5);  // the link counts as a file
    EXPECT_EQ(removal.Contents().folders, 3);
    EXPECT_TRUE(fs::exists(disk / "victim" / "sub" / "deeper" / "d.txt")) << "a survey changes nothing";

    EXPECT_TRUE(removal.Remove()) << harness.Joined();
    EXPECT_TRUE(removal.Failures().empty());
    EXPECT_FALSE(fs::exists(disk / "victim"));
    EXPECT_TRUE(fs::exists(disk / "keep" / "k.txt"));
    // The session is where it started.
    RemoteEntry entry;
    ASSERT_EQ(session.FetchListing(entry), ListingRead::Entry);
    std::vector<std::string> names{entry.name};
    while (session.NextEntry(entry) == ListingRead::Entry) names.push_back(entry.name);
    EXPECT_EQ(names, std::vector<std::string>{"keep"});
}

INSTANTIATE_TEST_SUITE_P(Servers, TreeRemovalRealServer, testing::ValuesIn(kServers),
                         [](const testing::TestParamInfo<ServerKind>& info) { return info.param.name; });

class TreeRemovalScripted : public testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(s.LogIn()); }
    void TearDown() override {
        EXPECT_TRUE(s.server.Mismatches().empty());
        EXPECT_EQ(s.server.PendingSteps(), 0u);
    }
    // The survey of "victim" in "/home", whose listing is given.
    void ScriptSurvey(const std::string& listing) {
        s.server.Expect("PWD", "257 \"/home\" is current.\r\n");
        s.ScriptIncoming("LIST", "150 Listing.\r\n", "total 2\r\n" + FileLine("other") + DirLine("victim"));
        s.server.Expect("CWD", "250 ok\r\n").Expect("PWD", "257 \"/home/victim\"\r\n");
        s.ScriptIncoming("LIST", "150 Listing.\r\n", listing);
    }
    std::vector<std::string> CommandsWithoutData() const {
        std::vector<std::string> commands;
        for (const std::string& command : s.Commands()) {
            if (command.rfind("PORT", 0) != 0 && command.rfind("TYPE", 0) != 0) commands.push_back(command);
        }
        return commands;
    }

    testsupport::ScriptedTransferSession s;
};

// One refused DELE is reported; the next file is still deleted and the
// folder's RMD still asked (and its refusal reported too).
TEST_F(TreeRemovalScripted, ARefusedDeleteIsReportedAndStopsNothing) {
    ScriptSurvey("total 2\r\n" + FileLine("a") + FileLine("b"));
    s.server.Expect("CWD", "250 ok\r\n");
    s.server.Expect("CWD", "250 ok\r\n").Expect("PWD", "257 \"/home/victim\"\r\n");
    s.server.Expect("DELE", "550 Permission denied.\r\n").Expect("DELE", "250 Deleted.\r\n");
    s.server.Expect("CWD", "250 ok\r\n").Expect("RMD", "550 Directory not empty.\r\n");
    s.server.Expect("RMD", "550 Directory not empty.\r\n");  // a refused RMD is asked twice

    TreeRemoval removal(s.session);
    ASSERT_TRUE(removal.Survey("victim")) << removal.Problem() << s.harness.Joined();
    EXPECT_EQ(removal.Contents().files, 2);
    EXPECT_FALSE(removal.Remove());
    EXPECT_EQ(removal.Failures(), (std::vector<std::string>{"/home/victim/a (550 Permission denied.)",
                                                            "/home/victim (550 Directory not empty.)"}));
    EXPECT_TRUE(s.harness.HasLine("Could not delete /home/victim/a: 550 Permission denied."))
        << s.harness.Joined();
    EXPECT_EQ(CommandsWithoutData(),
              (std::vector<std::string>{"PWD", "LIST", "CWD victim", "PWD", "LIST", "CWD ..", "CWD victim",
                                        "PWD", "DELE a", "DELE b", "CWD ..", "RMD victim", "RMD victim"}));
}

// A name listed as a folder that PWD shows to be somewhere else is a link:
// the survey goes back by the absolute path and it is deleted with DELE.
TEST_F(TreeRemovalScripted, AFolderThatLeadsElsewhereIsDeletedAsALink) {
    ScriptSurvey("total 1\r\n" + DirLine("sneaky"));
    s.server.Expect("CWD", "250 ok\r\n").Expect("PWD", "257 \"/etc\"\r\n").Expect("CWD", "250 ok\r\n");
    s.server.Expect("CWD", "250 ok\r\n");

    TreeRemoval removal(s.session);
    ASSERT_TRUE(removal.Survey("victim")) << removal.Problem() << s.harness.Joined();
    EXPECT_EQ(removal.Contents().files, 1);
    EXPECT_EQ(removal.Contents().folders, 0);
    EXPECT_EQ(CommandsWithoutData(),
              (std::vector<std::string>{"PWD", "LIST", "CWD victim", "PWD", "LIST", "CWD sneaky", "PWD",
                                        "CWD /home/victim", "CWD .."}));
}

// A listing that fails, or a server that cannot say where it is, ends the
// survey with a reason; nothing is deleted.
TEST_F(TreeRemovalScripted, ASurveyThatCannotFinishSaysWhy) {
    s.server.Expect("PWD", "500 Unknown command.\r\n");
    TreeRemoval removal(s.session);
    EXPECT_FALSE(removal.Survey("victim"));
    EXPECT_EQ(removal.Problem(), "the server does not say which folder it is in");

    s.server.Expect("PWD", "257 \"/\"\r\n");
    s.ScriptIncoming("LIST", "150 Listing.\r\n", DirLine("victim"));
    s.server.Expect("CWD", "250 ok\r\n").Expect("PWD", "257 \"/victim\"\r\n");
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n").Expect("LIST", "550 No access.\r\n");
    s.server.Expect("CWD", "250 ok\r\n");
    EXPECT_FALSE(removal.Survey("victim"));
    EXPECT_EQ(removal.Problem(), "could not list /victim");
    EXPECT_FALSE(removal.Survey("../up"));
    EXPECT_EQ(removal.Problem(), "its name cannot be sent to the server safely");
}

// A link named by the list (whatever the list showed it as) is deleted
// alone with DELE, never entered.
TEST_F(TreeRemovalScripted, ALinkIsDeletedAloneAndNeverEntered) {
    s.server.Expect("PWD", "257 \"/home\"\r\n");
    s.ScriptIncoming("LIST", "150 Listing.\r\n", "lrwxrwxrwx   1 ftp ftp 4 Jan  1  2020 victim -> /etc\r\n");
    s.server.Expect("DELE", "250 Deleted.\r\n");
    TreeRemoval removal(s.session);
    ASSERT_TRUE(removal.Survey("victim")) << removal.Problem();
    EXPECT_TRUE(removal.IsLink());
    EXPECT_EQ(removal.Contents().files + removal.Contents().folders, 0);
    EXPECT_TRUE(removal.Remove());
    EXPECT_EQ(CommandsWithoutData(), (std::vector<std::string>{"PWD", "LIST", "DELE victim"}));
}

}  // namespace
