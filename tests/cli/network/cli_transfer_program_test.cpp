// quillmoor-cli's get, put, getdir, putdir and ls against pyftpdlib and
// vsftpd, and Ctrl-C in the middle of a download.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "cli_in_directory.h"
#include "support/child_process.h"
#include "support/real_ftp_server.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::RealFtpServer;
using testsupport::RunResult;
using testsupport::TempDir;

struct ServerKind {
    const char* name;
    std::unique_ptr<RealFtpServer> (*start)();
    const char* modeFlag;  // --passive, --active, or none for the default (passive)
};

void PrintTo(const ServerKind& kind, std::ostream* out) { *out << kind.name; }

const ServerKind kServers[] = {
    {"pyftpdlib", [] { return std::unique_ptr<RealFtpServer>(new testsupport::PyftpdlibServer); }, nullptr},
    {"vsftpd", [] { return std::unique_ptr<RealFtpServer>(new testsupport::VsftpdServer); }, "--active"},
    {"vsftpd_passive_only",
     [] {
         return std::unique_ptr<RealFtpServer>(
             new testsupport::VsftpdServer(testsupport::VsftpdDataOptions{false, ""}));
     },
     "--passive"},
    // pasv_enable=NO: EPSV and PASV are refused with 550 and the transfers go active.
    {"vsftpd_active_only",
     [] {
         testsupport::VsftpdDataOptions data;
         data.passiveAllowed = false;
         return std::unique_ptr<RealFtpServer>(new testsupport::VsftpdServer(data));
     },
     "--passive"},
};

class CliTransfer : public testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override {
        server = GetParam().start();
        if (!server->Started()) GTEST_SKIP() << server->Problem();
        base = server->WritableRemoteDir().empty() ? "." : server->WritableRemoteDir();
    }
    // Runs the program in the local directory with the given commands after "cd BASE".
    RunResult Cli(std::vector<std::string> commands, const std::string& mode = "I") {
        std::vector<std::string> arguments = {"--mode", mode, "--email", "cli@example.org", server->HostText(),
                                              "cd " + base};
        if (GetParam().modeFlag != nullptr) arguments.insert(arguments.begin(), GetParam().modeFlag);
        arguments.insert(arguments.end(), commands.begin(), commands.end());
        return clitest::RunCliIn(local, arguments);
    }

    std::unique_ptr<RealFtpServer> server;
    std::string base;
    TempDir local;
};

TEST_P(CliTransfer, FilesAndTreesGoUpAndComeBack) {
    const std::string binary = clitest::PatternBytes(300000);
    local.WriteFile("data.bin", binary);
    local.WriteFile("tree/a.txt", "alpha\nbeta\n");
    local.WriteFile("tree/sub/b.bin", clitest::PatternBytes(5000));

    RunResult run =
        Cli({"put data.bin", "put data.bin \"copy of data.bin\"", "putdir tree", "putdir tree tree2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(TempDir::ReadFile(server->WritableDir() / "copy of data.bin") == binary);

    run = Cli({"get \"copy of data.bin\" back.bin", "get data.bin", "getdir tree2 again"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(TempDir::ReadFile(local / "back.bin") == binary);
    EXPECT_EQ(TempDir::ReadFile(local / "again" / "a.txt"), "alpha\nbeta\n");
    EXPECT_TRUE(TempDir::ReadFile(local / "again" / "sub" / "b.bin") == clitest::PatternBytes(5000));

    run = Cli({"ls"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // Data connections go the way the flag (or the default, passive) says,
    // unless the server refuses passive mode.
    const bool fallsBack = GetParam().name == std::string("vsftpd_active_only");
    const bool active =
        fallsBack || (GetParam().modeFlag != nullptr && std::string(GetParam().modeFlag) == "--active");
    EXPECT_NE(run.err.find(active ? "] accept from 127.0.0.1 port " : "] connected to 127.0.0.1 port "),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("Passive mode refused; switching to active mode.") != std::string::npos, fallsBack)
        << run.err;
    std::istringstream lines(run.out);
    std::string line;
    bool sawCopy = false;
    bool sawTree = false;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
        ASSERT_EQ(fields.size(), 7u) << line;
        if (fields[6] == "copy of data.bin") {
            sawCopy = true;
            EXPECT_EQ(fields[0], "-rw-r--r--");
            EXPECT_EQ(fields[4], "300000");
        }
        sawTree = sawTree || (fields[6] == "tree" && fields[0][0] == 'd');
    }
    EXPECT_TRUE(sawCopy) << run.out;
    EXPECT_TRUE(sawTree) << run.out;
}

// A download and an upload that broke off half-way are continued by -c, and
// the downloaded file carries the server's time unless --no-keep-time.
TEST_P(CliTransfer, ContinuedTransfersAreByteIdentical) {
    const std::string whole = clitest::PatternBytes(700001);
    const std::string half = whole.substr(0, whole.size() / 2);
    local.WriteFile("down.bin.part", half);
    local.WriteFile("half.bin", half);
    local.WriteFile("up.bin", whole);
    const fs::path remote = server->WritableDir() / "down.bin";
    fs::copy_file(local / "up.bin", remote);
    // Whole seconds: MDTM carries no more.
    fs::last_write_time(remote, std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now() -
                                                                         std::chrono::hours(24 * 400)));

    RunResult run = Cli({"get -c down.bin", "put half.bin up.bin", "put -c up.bin"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(TempDir::ReadFile(local / "down.bin") == whole);
    EXPECT_FALSE(fs::exists(local / "down.bin.part"));
    EXPECT_TRUE(TempDir::ReadFile(server->WritableDir() / "up.bin") == whole);
    EXPECT_NE(run.err.find("REST " + std::to_string(half.size())), std::string::npos) << run.err;
    EXPECT_EQ(fs::last_write_time(local / "down.bin"), fs::last_write_time(remote));

    // A remote file larger than the local one is not continued.
    local.WriteFile("small.bin", "tiny");
    run = Cli({"put -c small.bin up.bin"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("is larger than"), std::string::npos) << run.err;
}

// get -c continues a local file that has no ".part" beside it, but leaves one
// longer than the remote file alone; put keeps the local time where the
// server offers MFMT.
TEST_P(CliTransfer, ContinuesAPartialTargetAndKeepsUploadTimes) {
    const std::string whole = clitest::PatternBytes(200001);
    local.WriteFile("part.bin", whole.substr(0, 70000));
    local.WriteFile("long.bin", whole + "more");
    local.WriteFile("old.bin", "old");
    const auto old =
        std::chrono::floor<std::chrono::seconds>(fs::last_write_time(local / "old.bin") - 400h * 24);
    fs::last_write_time(local / "old.bin", old);
    for (const char* name : {"part.bin", "long.bin"}) {
        std::ofstream(server->WritableDir() / name, std::ios::binary) << whole;
    }
    RunResult run = Cli({"get -c part.bin", "put old.bin"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(TempDir::ReadFile(local / "part.bin") == whole);
    EXPECT_NE(run.err.find("REST 70000"), std::string::npos) << run.err;
    const bool offersMfmt = GetParam().name == std::string("pyftpdlib");
    EXPECT_EQ(run.err.find("MFMT ") != std::string::npos, offersMfmt) << run.err;
    if (offersMfmt) {
        EXPECT_EQ(fs::last_write_time(server->WritableDir() / "old.bin"), old);
    }

    run = Cli({"get -c long.bin"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("long.bin (200005 bytes) is longer than the remote file (200001 bytes)"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(TempDir::ReadFile(local / "long.bin") == whole + "more");
    EXPECT_FALSE(fs::exists(local / "long.bin.part"));
}

TEST_P(CliTransfer, AsciiModeRoundTripsText) {
    const std::string text = "first line\nsecond line\n\nlast line\n";
    local.WriteFile("notes.txt", text);
    RunResult run = Cli({"put notes.txt", "get notes.txt back.txt"}, "A");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(TempDir::ReadFile(local / "back.txt"), text);
}

TEST_P(CliTransfer, RefusesWhatCannotWork) {
    fs::create_directory(local / "exists");
    RunResult run = Cli({"getdir something exists"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("exists already exists; nothing downloaded"), std::string::npos) << run.err;

    run = Cli({"put missing.bin"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot read missing.bin"), std::string::npos) << run.err;

    run = Cli({"get not-there.bin"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(fs::exists(local / "not-there.bin"));
}

INSTANTIATE_TEST_SUITE_P(Servers, CliTransfer, testing::ValuesIn(kServers),
                         [](const testing::TestParamInfo<ServerKind>& info) {
                             return std::string(info.param.name);
                         });

TEST(CliTransferSignals, CtrlCCancelsADownloadAndKeepsTheLocalAndThePartialFile) {
    TempDir local{"quillmoor-cli-get"};
    const fs::path target = local.WriteFile("big.bin", "previous contents");
    testsupport::ScriptedFtpServer server;
    server.Expect("USER", "331 password\r\n").Expect("PASS", "230 in\r\n");
    server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    server.Expect("RETR", [](testsupport::ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening (100000000 bytes).\r\n");
        testsupport::DataLink link = connection.ConnectToLastPort();
        link.SendAll(std::string(1 << 20, 'x'));
        connection.Pause(10s);  // then nothing more: only Cancel ends the wait
    });
    const std::string errPath = (local / "stderr").string();
    testsupport::ChildProcess cli =
        testsupport::ChildProcess::Start({QUILLMOOR_CLI_PATH, "--active", "--timeout", "0", "--mode", "I", "--email",
                                          "e@x", server.HostText(), "get big.bin " + target.string()},
                                         errPath, {"XDG_CONFIG_HOME=" + local.Path().string()});
    ASSERT_GT(cli.Pid(), 0);
    ASSERT_TRUE(server.WaitForLines(5, 10s));
    std::this_thread::sleep_for(300ms);  // the data is arriving

    const auto start = std::chrono::steady_clock::now();
    kill(cli.Pid(), SIGINT);
    EXPECT_EQ(cli.Wait(3s), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    const std::string log = TempDir::ReadFile(errPath);
    EXPECT_NE(log.find("quillmoor-cli: cancelled"), std::string::npos) << log;
    EXPECT_EQ(log.find("Received"), std::string::npos) << "no statistics line after a cancel";
    EXPECT_EQ(TempDir::ReadFile(target), "previous contents");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& item : fs::directory_iterator(local.Path())) ++entries;
    EXPECT_EQ(entries, 3u) << "the kept file, the partial file and the log";
    const std::string partial = TempDir::ReadFile(target.string() + ".part");
    EXPECT_GT(partial.size(), 0u);
    EXPECT_EQ(partial.find_first_not_of('x'), std::string::npos) << "only what arrived, for get -c";
    EXPECT_NE(log.find("received in " + target.string() + ".part."), std::string::npos) << log;
}

// SIGTERM while getdir's listing never ends: the program ends within a
// second, and neither the folder nor the listing stays behind.
TEST(CliTransferSignals, TermEndsAnEndlessListingOfGetdir) {
    TempDir local{"quillmoor-cli-getdir"};
    testsupport::ScriptedFtpServer server;
    server.Expect("USER", "331 password\r\n").Expect("PASS", "230 in\r\n").Expect("CWD", "250 ok\r\n");
    server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    server.Expect("LIST", [](testsupport::ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Listing, for ever.\r\n");
        testsupport::DataLink link = connection.ConnectToLastPort();
        while (link.SendAll(std::string(100, '-') + "rw 1 ftp ftp 3 Jan  1  2020 file\r\n") &&
               connection.Pause(1ms)) {
        }
    });
    const std::string errPath = (local / "stderr").string();
    testsupport::ChildProcess cli = testsupport::ChildProcess::Start(
        {QUILLMOOR_CLI_PATH, "--active", "--email", "e@x", server.HostText(),
         "getdir top " + (local / "top").string()},
        errPath, {"XDG_CONFIG_HOME=" + local.Path().string(), "TMPDIR=" + local.Path().string()});
    ASSERT_TRUE(server.WaitForLines(6, 10s));  // the listing has begun
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(fs::is_empty(local / "top")) << "the listing goes to a private file, not into the folder";

    const auto start = std::chrono::steady_clock::now();
    kill(cli.Pid(), SIGTERM);
    EXPECT_EQ(cli.Wait(3s), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    std::vector<fs::path> left(fs::directory_iterator(local.Path()), fs::directory_iterator{});
    EXPECT_EQ(left, std::vector<fs::path>{errPath}) << TempDir::ReadFile(errPath);
}

// A transfer that broke off is a failed command, whatever the server's final
// reply: exit 1, and a download keeps the previous local file.
TEST(CliTransferFailures, TransfersThatBrokeOffExitWithOne) {
    using testsupport::ScriptedConnection;
    const auto cutOffStore = [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Ok to send data.\r\n");
        testsupport::DataLink link = connection.ConnectToLastPort();
        char part[65536];
        [[maybe_unused]] const ssize_t got = recv(link.Fd(), part, sizeof part, MSG_WAITALL);
        link.Reset();
        connection.Send("226 Transfer complete.\r\n");
    };
    const auto shortRetrieve = [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening BINARY mode data connection (10 bytes).\r\n");
        testsupport::DataLink link = connection.ConnectToLastPort();
        link.SendAll("12345");
        link.Close();
        connection.Send("226 Transfer complete.\r\n");
    };
    struct Row {
        const char* command;
        std::vector<std::pair<const char*, testsupport::StepHandler>> steps;
    };
    const auto reply = [](const char* text) {
        return [text](ScriptedConnection& connection, const std::string&) { connection.Send(text); };
    };
    const Row rows[] = {
        {"put tree/big.bin", {{"TYPE", reply("200 ok\r\n")}, {"PORT", reply("200 ok\r\n")}, {"STOR", cutOffStore}}},
        {"putdir tree",
         {{"MKD", reply("257 made\r\n")},
          {"CWD", reply("250 ok\r\n")},
          {"TYPE", reply("200 ok\r\n")},
          {"PORT", reply("200 ok\r\n")},
          {"STOR", cutOffStore},
          {"CWD", reply("250 ok\r\n")}}},
        {"get short.bin", {{"TYPE", reply("200 ok\r\n")}, {"PORT", reply("200 ok\r\n")}, {"RETR", shortRetrieve}}},
    };
    TempDir local{"quillmoor-cli-broken"};
    fs::resize_file(local.WriteFile("tree/big.bin", ""), 32 << 20);  // more than the socket buffers hold
    const fs::path previous = local.WriteFile("short.bin", "previous");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command);
        testsupport::ScriptedFtpServer server;
        server.Expect("USER", "331 password\r\n").Expect("PASS", "230 in\r\n");
        for (const auto& [verb, handler] : row.steps) server.Expect(verb, handler);
        const RunResult run = testsupport::RunProgram(
            {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", local.Path().string(), QUILLMOOR_CLI_PATH, "--active",
             "--mode", "I", "--email", "e@x", server.HostText(), row.command},
            30s, {"XDG_CONFIG_HOME=" + local.Path().string(), "TMPDIR=" + local.Path().string()});
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_EQ(server.PendingSteps(), 0u) << run.err;
    }
    EXPECT_EQ(TempDir::ReadFile(previous), "previous");
}

}  // namespace
