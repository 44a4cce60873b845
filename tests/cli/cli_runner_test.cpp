#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "support/free_port.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ScriptedFtpServer;

class CliRun : public testing::Test {
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1); }

    int Run(std::vector<std::string> arguments) {
        CliRunner runner(out, err);
        if (lookup) runner.SetSiteLookup(lookup);
        return runner.Run(arguments);
    }

    // The server's script for an anonymous log-in.
    static void ExpectLogin(ScriptedFtpServer& server) {
        server.Expect("USER", "331 send password\r\n").Expect("PASS", "230 in\r\n");
    }

    testsupport::TempDir config{"quillmoor-cli-config"};
    std::ostringstream out;
    std::ostringstream err;
    CliSiteLookup lookup;
};

TEST_F(CliRun, CommandsRunInOrderAndQuitEndsTheRun) {
    ScriptedFtpServer server;
    ExpectLogin(server);
    server.Expect("CWD", "250 ok\r\n")
        .Expect("MKD", "257 made\r\n")
        .Expect("RNFR", "350 go on\r\n")
        .Expect("RNTO", "250 done\r\n")
        .Expect("SITE", "200 ok\r\n")
        .Expect("DELE", "250 gone\r\n")
        .Expect("RMD", "250 gone\r\n")
        .Expect("SITE", "214 help\r\n");
    const int result =
        Run({"--email", "me@example.org", server.HostText(), "cd pub", "mkdir \"new dir\"",
             "rename a \"b c\"", "chmod 640 b", "rm b", "rmdir \"new dir\"", "quote SITE HELP"});
    EXPECT_EQ(result, CliRunner::kSuccess) << err.str();
    EXPECT_EQ(server.Received(),
              (std::vector<std::string>{"AUTH TLS", "USER anonymous", "PASS me@example.org", "FEAT",
                                        "CWD pub", "MKD new dir", "RNFR a", "RNTO b c", "SITE CHMOD 640 b",
                                        "DELE b", "RMD new dir", "SITE HELP", "quit"}));
    EXPECT_NE(err.str().find("Quillmoor: PASS xxxxxx\n"), std::string::npos);
    EXPECT_EQ(err.str().find("me@example.org"), std::string::npos);
    EXPECT_NE(err.str().find("221 Goodbye.\n"), std::string::npos);
}

TEST_F(CliRun, TheFirstFailureStopsTheRunButQuitIsStillSent) {
    ScriptedFtpServer server;
    ExpectLogin(server);
    server.Expect("DELE", "550 no such file\r\n");
    EXPECT_EQ(Run({"--email", "e@x", server.HostText(), "rm missing", "mkdir never"}), CliRunner::kFailure);
    EXPECT_EQ(server.Received(), (std::vector<std::string>{"AUTH TLS", "USER anonymous", "PASS e@x", "FEAT",
                                                           "DELE missing", "quit"}));
}

TEST_F(CliRun, AFailedLoginIsExitCodeOne) {
    ScriptedFtpServer server;
    server.Expect("USER", "331 pw\r\n").Expect("PASS", "530 Login incorrect.\r\n");
    EXPECT_EQ(Run({"--user", "u", "--password", "bad", server.HostText(), "cd pub"}), CliRunner::kFailure);
    EXPECT_NE(err.str().find("Logon to remote host failed: " + server.HostText()), std::string::npos)
        << err.str();
    EXPECT_EQ(server.Received(), (std::vector<std::string>{"AUTH TLS", "USER u", "PASS bad"}));
}

TEST_F(CliRun, ARefusedConnectionSaysSoWithoutALogInHint) {
    const std::string port = std::to_string(testsupport::FreeTcpPort());
    EXPECT_EQ(Run({"--email", "e@x", "127.0.0.1:" + port, "cd pub"}), CliRunner::kFailure);
    EXPECT_NE(err.str().find("Could not connect to 127.0.0.1 port " + port + ": Connection refused\n"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("password"), std::string::npos) << err.str();
}

TEST_F(CliRun, UsageErrorsConnectToNothing) {
    ScriptedFtpServer server;
    const std::vector<std::vector<std::string>> rows = {
        {server.HostText(), "frobnicate x"},
        {"--email", "e@x", server.HostText(), "cd"},
        {"--email", "e@x", server.HostText(), "rename onlyone"},
        {"--email", "e@x", server.HostText(), "chmod rwx f"},
        {"--email", "e@x", server.HostText(), "cd \"open"},
        {server.HostText(), "cd pub"},  // anonymous without an e-mail address
        {"@Home"},                      // no catalogue attached
        {"--timeout", "x", server.HostText()},
    };
    for (const auto& row : rows) {
        err.str("");
        EXPECT_EQ(Run(row), CliRunner::kUsageError) << testing::PrintToString(row);
        const std::string message = err.str();
        EXPECT_EQ(message.rfind("quillmoor-cli: ", 0), 0u) << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    }
    EXPECT_EQ(server.ConnectionCount(), 0);
}

TEST_F(CliRun, TheEmailSettingIsTheAnonymousPassword) {
    config.WriteFile("Corvane/Quillmoor.ini", "[ProgramOptions]\ne-mail=stored@example.org\n");
    ScriptedFtpServer server;
    ExpectLogin(server);
    EXPECT_EQ(Run({server.HostText()}), CliRunner::kSuccess) << err.str();
    EXPECT_EQ(server.Received(), (std::vector<std::string>{"AUTH TLS", "USER anonymous",
                                                           "PASS stored@example.org", "FEAT", "quit"}));
}

// --tls explicit requires TLS: a server that refuses AUTH TLS never sees the log-in.
TEST_F(CliRun, ARefusedAuthTlsUnderRequireEndsTheRunBeforeTheLogin) {
    ScriptedFtpServer server;
    server.Expect("AUTH", "500 Not understood.\r\n");
    ExpectLogin(server);
    EXPECT_EQ(Run({"--tls", "explicit", "--email", "e@x", server.HostText(), "ls"}), CliRunner::kFailure);
    EXPECT_EQ(server.Received(), (std::vector<std::string>{"AUTH TLS"}));
    EXPECT_NE(err.str().find("the site requires FTP over TLS"), std::string::npos) << err.str();
}

TEST_F(CliRun, FirewallOptionsReachTheLogin) {
    ScriptedFtpServer proxy;
    proxy.Expect("USER", "331 pw\r\n").Expect("PASS", "230 in\r\n");
    EXPECT_EQ(Run({"--user", "u", "--password", "p", "--firewall", "3", "--proxy", proxy.HostText(),
                   "ftp.example.org"}),
              CliRunner::kSuccess)
        << err.str();
    EXPECT_EQ(proxy.Received(),
              (std::vector<std::string>{"USER u@ftp.example.org", "PASS p", "FEAT", "quit"}));
    // TLS, asked for by default, cannot pass the proxy; the run says so.
    EXPECT_NE(err.str().find("connecting without encryption"), std::string::npos) << err.str();
}

TEST_F(CliRun, LinesWithLineBreaksAreRefusedAndFailTheRun) {
    ScriptedFtpServer server;
    ExpectLogin(server);
    EXPECT_EQ(Run({"--email", "e@x", server.HostText(), "rm \"a\r\nDELE b\"", "quote NOOP\nDELE c"}),
              CliRunner::kFailure);
    EXPECT_EQ(server.Received(),
              (std::vector<std::string>{"AUTH TLS", "USER anonymous", "PASS e@x", "FEAT", "quit"}));
    EXPECT_NE(err.str().find("Refused to send a command containing a line break."), std::string::npos);
}

TEST_F(CliRun, ASilentServerEndsAtTheTimeLimit) {
    ScriptedFtpServer server("");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run({"--timeout", "1", "--email", "e@x", server.HostText(), "cd pub"}), CliRunner::kFailure);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
    EXPECT_NE(err.str().find("Timed out after 1 second waiting for the server."), std::string::npos)
        << err.str();
}

TEST_F(CliRun, AServerThatStopsAnsweringAfterLoginEndsAtTheTimeLimit) {
    ScriptedFtpServer server;
    ExpectLogin(server);
    server.Expect("CWD", [](testsupport::ScriptedConnection& connection, const std::string&) {
        connection.Pause(10s);  // never answers within the test
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run({"--timeout", "1", "--email", "e@x", server.HostText(), "cd pub", "mkdir never"}),
              CliRunner::kFailure);
    // One time limit, not two: the quit after the abort does not wait again.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
    EXPECT_NE(err.str().find("Timed out after 1 second waiting for the server."), std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("MKD"), std::string::npos);
}

TEST_F(CliRun, AServerThatHangsUpFailsTheCommand) {
    ScriptedFtpServer server;
    ExpectLogin(server);
    server.Expect("CWD", [](testsupport::ScriptedConnection& connection, const std::string&) {
        connection.Send("250-partial");
        connection.Close();
    });
    EXPECT_EQ(Run({"--email", "e@x", server.HostText(), "cd pub", "mkdir never"}), CliRunner::kFailure);
    EXPECT_NE(err.str().find("The server closed the connection."), std::string::npos) << err.str();
}

TEST_F(CliRun, ServerTextCannotDriveTheTerminal) {
    ScriptedFtpServer server("220 \x1b]0;owned\x07 ready\r\n");
    server.Expect("USER", "230 in\r\n");
    EXPECT_EQ(Run({"--user", "u", server.HostText()}), CliRunner::kSuccess);
    EXPECT_EQ(err.str().find('\x1b'), std::string::npos);
    EXPECT_NE(err.str().find("220 ?]0;owned? ready"), std::string::npos) << err.str();
}

TEST_F(CliRun, CancelDuringTheLoginStopsAtOnce) {
    ScriptedFtpServer server("");  // never greets
    CliRunner runner(out, err);
    int result = -1;
    std::thread run([&] { result = runner.Run({"--timeout", "0", "--email", "e@x", server.HostText()}); });
    ASSERT_TRUE(server.WaitForLines(0, 1s));
    // The server sees the connection before the worker has taken its socket
    // over; under a sanitizer on a loaded machine that can take a while.
    std::this_thread::sleep_for(1s);
    const auto start = std::chrono::steady_clock::now();
    runner.Cancel();
    run.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    EXPECT_EQ(result, CliRunner::kFailure);
    EXPECT_NE(err.str().find("Socket closed."), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("quillmoor-cli: cancelled"), std::string::npos);
    EXPECT_TRUE(server.WaitForClientClose(2s));
}

TEST_F(CliRun, CatalogueSitesAreLookedUpAndOpenTheirDirectory) {
    ScriptedFtpServer server;
    server.Expect("USER", "331 pw\r\n").Expect("PASS", "230 in\r\n").Expect("CWD", "250 ok\r\n");
    lookup = [&](const std::string& name, CliSite& site, std::string& error) {
        if (name != "Home") {
            error = "no site named " + name;
            return false;
        }
        site = {server.HostText(), "owner", "secret", "/srv/files", std::nullopt, tls::Encryption::Plain, ""};
        return true;
    };
    EXPECT_EQ(Run({"@Home"}), CliRunner::kSuccess) << err.str();
    EXPECT_EQ(server.Received(),
              (std::vector<std::string>{"USER owner", "PASS secret", "FEAT", "CWD /srv/files", "quit"}));
    EXPECT_EQ(Run({"@Work"}), CliRunner::kUsageError);
}

// --tls off on a site stored as requiring TLS connects in plain, as asked,
// but says that the password travels readable, on stderr and in the log.
TEST_F(CliRun, TlsOffOnASiteThatRequiresTlsWarnsOfTheReadablePassword) {
    ScriptedFtpServer server;
    server.Expect("USER", "331 pw\r\n").Expect("PASS", "230 in\r\n");
    lookup = [&](const std::string&, CliSite& site, std::string&) {
        site = {server.HostText(), "owner", "secret", "", std::nullopt, tls::Encryption::RequireExplicit, ""};
        return true;
    };
    EXPECT_EQ(Run({"--tls", "off", "@Home"}), CliRunner::kSuccess) << err.str();
    const std::string warning =
        "the site is stored as requiring FTP over TLS, but this connection is made "
        "without it; the password will travel readable.";
    EXPECT_NE(err.str().find("quillmoor-cli: warning: --tls off: " + warning), std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("\n--tls off: " + warning), std::string::npos) << err.str();  // the log line
}

}  // namespace
