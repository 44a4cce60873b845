#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "support/child_process.h"
#include "support/real_ftp_server.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::RealFtpServer;
using testsupport::RunProgram;
using testsupport::RunResult;

struct ServerKind {
    const char* name;
    std::unique_ptr<RealFtpServer> (*start)();
    bool allowsChmod;
};

void PrintTo(const ServerKind& kind, std::ostream* out) { *out << kind.name; }

const ServerKind kServers[] = {
    {"pyftpdlib", [] { return std::unique_ptr<RealFtpServer>(new testsupport::PyftpdlibServer); }, true},
    {"vsftpd", [] { return std::unique_ptr<RealFtpServer>(new testsupport::VsftpdServer); }, false},
    // The host given as "[::1]:PORT".
    {"vsftpd_ipv6",
     [] {
         return std::unique_ptr<RealFtpServer>(new testsupport::VsftpdServer({true, "", "::1"}));
     },
     false},
};

class CliProgram : public testing::TestWithParam<ServerKind> {
protected:
    RunResult Cli(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), QUILLMOOR_CLI_PATH);
        return RunProgram(arguments, 60s, {"XDG_CONFIG_HOME=" + config.Path().string()});
    }
    testsupport::TempDir config{"quillmoor-cli-config"};
};

TEST_P(CliProgram, RunsEveryCommandAndReportsFailures) {
    std::unique_ptr<RealFtpServer> server = GetParam().start();
    if (!server->Started()) GTEST_SKIP() << server->Problem();
    const fs::path disk = server->WritableDir();
    std::ofstream(disk / "old name.txt") << "data";
    const std::string base = server->WritableRemoteDir().empty() ? "." : server->WritableRemoteDir();

    RunResult run = Cli({"--email", "cli@example.org", server->HostText(), "cd " + base,
                         "mkdir \"two words\"", "cd \"two words\"", "cd ..", "rename \"two words\" renamed",
                         "rmdir renamed", "rename \"old name.txt\" new.txt", "quote NOOP", "rm new.txt"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_FALSE(fs::exists(disk / "two words"));
    EXPECT_FALSE(fs::exists(disk / "renamed"));
    EXPECT_FALSE(fs::exists(disk / "old name.txt"));
    EXPECT_FALSE(fs::exists(disk / "new.txt"));
    EXPECT_NE(run.err.find("Quillmoor: quit"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("cli@example.org"), std::string::npos);

    std::ofstream(disk / "mode.txt") << "x";
    run = Cli({"--email", "cli@example.org", server->HostText(), "cd " + base, "chmod 600 mode.txt"});
    if (GetParam().allowsChmod) {
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(fs::status(disk / "mode.txt").permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
    } else {
        EXPECT_EQ(run.exitCode, 1) << run.err;
    }

    run = Cli({"--email", "cli@example.org", server->HostText(), "cd " + base, "rmdir \"not there\"",
               "rm mode.txt"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_TRUE(fs::exists(disk / "mode.txt"));  // the run stopped at the failed rmdir
    EXPECT_NE(run.err.find("Quillmoor: quit"), std::string::npos);

    run = Cli({"--email", "cli@example.org", server->HostText(), "cd " + base, "unknown"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "quillmoor-cli: unknown command \"unknown\" (see --help)\n");
}

INSTANTIATE_TEST_SUITE_P(Servers, CliProgram, testing::ValuesIn(kServers),
                         [](const testing::TestParamInfo<ServerKind>& info) {
                             return std::string(info.param.name);
                         });

// A listing that fails at the top or below it is a failed command, never an
// empty directory.
TEST(CliProgramListings, FailedListingsExitOne) {
    using testsupport::ScriptedConnection;
    using testsupport::ScriptedFtpServer;
    const auto refuse = [](ScriptedFtpServer& server) {
        server.Expect("TYPE", "200 ok\r\n")
            .Expect("PORT", "200 ok\r\n")
            .Expect("LIST", "550 Permission denied.\r\n");
    };
    const auto reset = [](ScriptedFtpServer& server) {
        server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
        server.Expect("LIST", [](ScriptedConnection& connection, const std::string&) {
            connection.Send("150 Listing.\r\n");
            testsupport::DataLink link = connection.ConnectToLastPort();
            link.SendAll("total 1\r\n-rw-r--r--   1 ftp ftp 3 Jan  1  2020 a");
            link.Reset();
            connection.Send("226 Transfer complete.\r\n");
        });
    };
    const auto listSub = [](ScriptedFtpServer& server) {
        server.Expect("CWD", "250 ok\r\n").Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
        server.Expect("LIST", [](ScriptedConnection& connection, const std::string&) {
            connection.Send("150 Listing.\r\n");
            connection.ConnectToLastPort().SendAll(
                "total 1\r\ndrwxr-xr-x   2 ftp ftp 0 Jan  1  2020 sub\r\n");
            connection.Send("226 Transfer complete.\r\n");
        });
        server.Expect("CWD", "250 ok\r\n");
    };
    const auto climbOut = [](ScriptedFtpServer& server) {
        server.Expect("CWD", "250 ok\r\n").Expect("CWD", "250 ok\r\n");  // out of sub, then of top
    };
    struct Row {
        const char* command;
        std::vector<std::function<void(ScriptedFtpServer&)>> steps;
    };
    const Row rows[] = {
        {"ls", {reset}},
        {"getdir top", {listSub, refuse, climbOut}},
    };
    for (const Row& row : rows) {
        testsupport::TempDir local{"quillmoor-cli-ls"};
        ScriptedFtpServer server;
        server.Expect("USER", "331 password\r\n").Expect("PASS", "230 in\r\n");
        for (const auto& step : row.steps) step(server);
        const RunResult run =
            RunProgram({"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", local.Path().string(),
                        QUILLMOOR_CLI_PATH, "--active", "--email", "e@x", server.HostText(), row.command},
                       60s, {"XDG_CONFIG_HOME=" + local.Path().string(), "TMPDIR=" + local.Path().string()});
        EXPECT_EQ(run.exitCode, 1) << row.command << "\n" << run.err;
        EXPECT_EQ(run.out, "") << row.command;
        EXPECT_TRUE(server.Mismatches().empty()) << row.command << "\n" << run.err;
    }
}

TEST(CliProgramSignals, CtrlCCancelsAWaitingLogin) {
    testsupport::TempDir config{"quillmoor-cli-config"};
    testsupport::ScriptedFtpServer server("");  // never greets
    const std::string errPath = (config / "stderr").string();
    testsupport::ChildProcess cli = testsupport::ChildProcess::Start(
        {QUILLMOOR_CLI_PATH, "--timeout", "0", "--email", "e@x", server.HostText(), "cd pub"}, errPath,
        {"XDG_CONFIG_HOME=" + config.Path().string()});
    ASSERT_GT(cli.Pid(), 0);
    // Wait until the program has dialled and waits for the greeting.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (server.ConnectionCount() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_EQ(server.ConnectionCount(), 1);
    std::this_thread::sleep_for(200ms);
    const auto start = std::chrono::steady_clock::now();
    kill(cli.Pid(), SIGINT);
    EXPECT_EQ(cli.Wait(3s), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    const std::string log = testsupport::TempDir::ReadFile(errPath);
    EXPECT_NE(log.find("Socket closed."), std::string::npos) << log;
    EXPECT_NE(log.find("quillmoor-cli: cancelled"), std::string::npos) << log;
}

}  // namespace
