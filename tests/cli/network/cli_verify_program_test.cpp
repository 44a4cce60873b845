// quillmoor-cli checks files against the server's digests by default: a
// file that does not match fails the run and leaves the local file alone.
// Between retries Ctrl-C ends the run at once.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli_in_directory.h"
#include "support/child_process.h"
#include "support/real_ftp_server.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_dir.h"

namespace {

using testsupport::PyftpdlibOptions;
using testsupport::RunResult;
using testsupport::TempDir;

struct VerifyRow {
    const char* name;
    bool wrongHash;
    const char* flag;  // nullptr: the default
    int exitCode;
    const char* logged;
};

TEST(CliVerify, DigestsDecideTheExitCode) {
    const VerifyRow rows[] = {
        {"matching", false, nullptr, 0, "Verified data.bin: SHA-256 matches."},
        {"wrong", true, nullptr, 1, "data.bin does not match the server's SHA-256; kept as "},
        {"wrong, explicitly on", true, "--verify", 1, "does not match the server's SHA-256"},
        {"wrong, switched off", true, "--no-verify", 0, "Transfer complete"},
    };
    const std::string contents = clitest::PatternBytes(100000);
    for (const VerifyRow& row : rows) {
        SCOPED_TRACE(row.name);
        PyftpdlibOptions options;
        options.hashCommands = testsupport::PyftpdlibServer::AllHashCommands();
        options.wrongHash = row.wrongHash;
        testsupport::PyftpdlibServer server(options);
        if (!server.Started()) GTEST_SKIP() << server.Problem();
        std::ofstream(server.WritableDir() / "data.bin", std::ios::binary) << contents;
        TempDir local;
        local.WriteFile("data.bin", "the old local file");

        std::vector<std::string> arguments = {"--mode",
                                              "I",
                                              "--email",
                                              "cli@example.org",
                                              server.HostText(),
                                              "get data.bin",
                                              "put data.bin copy.bin"};
        if (row.flag != nullptr) arguments.insert(arguments.begin(), row.flag);
        const RunResult run = clitest::RunCliIn(local, arguments);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        EXPECT_NE(run.err.find(row.logged), std::string::npos) << run.err;
        if (row.exitCode == 0) {
            EXPECT_TRUE(TempDir::ReadFile(local / "data.bin") == contents);
            EXPECT_TRUE(TempDir::ReadFile(server.WritableDir() / "copy.bin") == contents);
        } else {
            EXPECT_EQ(TempDir::ReadFile(local / "data.bin"), "the old local file");
            EXPECT_TRUE(TempDir::ReadFile(local / "data.bin.mismatch") == contents);
            // The run stops at the failed get; a mismatch is not tried again.
            EXPECT_FALSE(std::filesystem::exists(server.WritableDir() / "copy.bin"));
            EXPECT_EQ(run.err.find("Retrying"), std::string::npos) << run.err;
        }
    }
}

TEST(CliRetries, CtrlCDuringThePauseEndsTheRunAtOnce) {
    using namespace std::chrono_literals;
    TempDir local{"quillmoor-cli-retry"};
    testsupport::ScriptedFtpServer server;
    server.Expect("USER", "331 password\r\n").Expect("PASS", "230 in\r\n");
    for (int attempt = 0; attempt < 2; ++attempt)
        server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n").Expect("RETR", "450 File busy.\r\n");
    const std::string errPath = (local / "stderr").string();
    testsupport::ChildProcess cli = testsupport::ChildProcess::Start(
        {QUILLMOOR_CLI_PATH, "--active", "--retries", "5", "--mode", "I", "--email", "e@x", server.HostText(),
         "get busy.bin " + (local / "busy.bin").string()},
        errPath, {"XDG_CONFIG_HOME=" + local.Path().string()});
    ASSERT_GT(cli.Pid(), 0);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    // The second pause is 2 s: far longer than the run may take to end.
    while (TempDir::ReadFile(errPath).find("Retrying busy.bin in 2 s (attempt 3 of 6): 450 File busy.") ==
               std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    const auto start = std::chrono::steady_clock::now();
    kill(cli.Pid(), SIGINT);
    EXPECT_EQ(cli.Wait(3s), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms);
    const std::string log = TempDir::ReadFile(errPath);
    EXPECT_NE(log.find("quillmoor-cli: cancelled"), std::string::npos) << log;
    EXPECT_EQ(log.find("Reconnecting"), std::string::npos) << log;
}

}  // namespace
