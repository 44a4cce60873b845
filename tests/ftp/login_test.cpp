#include <gtest/gtest.h>

#include <chrono>

#include "platform/net/socket_error_codes.h"
#include "support/free_port.h"
#include "support/scripted_ftp_server.h"
#include "support/session_harness.h"
#include "support/session_settings.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ScriptedFtpServer;
using testsupport::SessionHarness;

struct Exchange {
    std::string verb;
    std::string reply;
};

struct LogonCase {
    const char* name;
    int firewallOn;
    int firewallMode;
    std::vector<Exchange> script;
    std::vector<std::string> sent;
    bool loggedIn;
    std::string failureLine;
};

// The site host is never dialled: through a proxy it only appears in commands.
const std::string kSite = "site.example";

std::vector<LogonCase> Cases() {
    return {
        {"direct, password asked",
         0,
         0,
         {{"USER", "331 pw\r\n"}, {"PASS", "230 in\r\n"}},
         {"USER u", "PASS p"},
         true,
         ""},
        {"direct, no password needed", 0, 0, {{"USER", "230 in\r\n"}}, {"USER u"}, true, ""},
        {"direct, password refused",
         0,
         0,
         {{"USER", "331 pw\r\n"}, {"PASS", "530 no\r\n"}},
         {"USER u", "PASS p"},
         false,
         "Logon to remote host failed: " + kSite},
        {"mode 1, SITE asks for the password",
         1,
         1,
         {{"USER", "331 pw\r\n"},
          {"PASS", "230 proxy\r\n"},
          {"site", "200 ok\r\n"},
          {"SITE", "331 pw\r\n"},
          {"PASS", "230 in\r\n"}},
         {"USER fu", "PASS fp", "site " + kSite, "SITE " + kSite, "PASS p"},
         true,
         ""},
        {"mode 1, SITE logs in",
         1,
         1,
         {{"USER", "230 proxy\r\n"}, {"site", "200 ok\r\n"}, {"SITE", "230 in\r\n"}},
         {"USER fu", "site " + kSite, "SITE " + kSite},
         true,
         ""},
        {"mode 2",
         1,
         2,
         {{"USER", "331 pw\r\n"},
          {"PASS", "230 proxy\r\n"},
          {"site", "200 ok\r\n"},
          {"USER", "331 pw\r\n"},
          {"PASS", "230 in\r\n"}},
         {"USER fu", "PASS fp", "site " + kSite, "USER u@" + kSite, "PASS p"},
         true,
         ""},
        {"mode 2, site answered 4xx goes on",
         1,
         2,
         {{"USER", "230 proxy\r\n"}, {"site", "450 later\r\n"}, {"USER", "230 in\r\n"}},
         {"USER fu", "site " + kSite, "USER u@" + kSite},
         true,
         ""},
        {"mode 3, no proxy log-in",
         1,
         3,
         {{"USER", "331 pw\r\n"}, {"PASS", "230 in\r\n"}},
         {"USER u@" + kSite, "PASS p"},
         true,
         ""},
        {"mode 4, OPEN asks for the password",
         1,
         4,
         {{"OPEN", "331 pw\r\n"}, {"PASS", "230 in\r\n"}},
         {"OPEN " + kSite, "PASS p"},
         true,
         ""},
        {"mode 4, OPEN logs in", 1, 4, {{"OPEN", "230 in\r\n"}}, {"OPEN " + kSite}, true, ""},
        {"mode 0, site asks for the password",
         1,
         0,
         {{"USER", "331 pw\r\n"}, {"PASS", "230 proxy\r\n"}, {"site", "331 pw\r\n"}, {"PASS", "230 in\r\n"}},
         {"USER fu", "PASS fp", "site " + kSite, "PASS p"},
         true,
         ""},
        {"mode 0, site logs in",
         1,
         0,
         {{"USER", "230 proxy\r\n"}, {"site", "230 in\r\n"}},
         {"USER fu", "site " + kSite},
         true,
         ""},
        {"proxy refuses its password",
         1,
         2,
         {{"USER", "331 pw\r\n"}, {"PASS", "530 no\r\n"}},
         {"USER fu", "PASS fp"},
         false,
         "Failed to login to Firewall Host 127.0.0.1"},
        {"proxy cannot reach the site",
         1,
         1,
         {{"USER", "230 proxy\r\n"}, {"site", "550 unreachable\r\n"}},
         {"USER fu", "site " + kSite},
         false,
         "Could not connect to " + kSite + " through FireWall"},
    };
}

TEST(Logon, DirectAndFirewallExchanges) {
    for (const LogonCase& row : Cases()) {
        SCOPED_TRACE(row.name);
        ScriptedFtpServer server;
        for (const Exchange& step : row.script) server.Expect(step.verb, step.reply);
        SessionHarness harness;
        FtpSession& session = harness.session;
        testsupport::Reconfigure(session, [&](ConnectionSettings& config) {
            config.user = "u";
            config.password = "p";
        });
        if (row.firewallOn) {
            testsupport::Reconfigure(session, [&](ConnectionSettings& config) { config.host = kSite; });
            // The proxy port comes from the firewall settings, not from the host text.
            testsupport::Reconfigure(session, [&](ConnectionSettings& config) {
                config.firewall = {true, row.firewallMode, server.Port(), "127.0.0.1", "fu", "fp"};
            });
        } else {
            testsupport::Reconfigure(session,
                                     [&](ConnectionSettings& config) { config.host = server.HostText(); });
        }
        const LogonResult logon = session.Logon();
        const int socket = logon.socket;
        EXPECT_EQ(logon.Connected(), row.loggedIn);
        EXPECT_EQ(session.IsConnected(), row.loggedIn);
        EXPECT_EQ(session.Control().BusyCount(), 0);
        EXPECT_EQ(session.LoginPart().DirectUserLogin(), (row.firewallMode == 3 || row.firewallMode == 4) ? 1 : 0);
        // A log-in that succeeds goes on to ask what the server offers.
        std::vector<std::string> expectedSent = row.sent;
        if (row.loggedIn) expectedSent.push_back("FEAT");
        EXPECT_EQ(server.Received(), expectedSent);
        EXPECT_TRUE(server.Mismatches().empty());
        if (row.loggedIn) {
            EXPECT_EQ(session.Control().Fd(), socket);
        } else {
            EXPECT_FALSE(session.Control().IsOpen());
            // The cause carries the refusal, for the caller to name.
            const bool proxyFailed = row.failureLine.rfind("Logon to remote host failed", 0) != 0;
            EXPECT_EQ(logon.cause, proxyFailed ? LogonResult::Cause::ProxyRefused
                                               : LogonResult::Cause::WrongCredentials);
            EXPECT_EQ(logon.replyCode, std::stoi(row.script.back().reply));
            EXPECT_EQ(logon.replyText + "\r\n", row.script.back().reply);
            // A direct log-in names the dialled host, which the table cannot know.
            const std::string expectedFailure =
                row.firewallOn ? row.failureLine : "Logon to remote host failed: " + session.Settings().host;
            EXPECT_TRUE(harness.HasLine(expectedFailure)) << harness.Joined();
        }
        EXPECT_FALSE(harness.HasLine("Quillmoor: PASS p"));
        EXPECT_FALSE(harness.HasLine("Quillmoor: PASS fp"));
    }
}

TEST(Logon, LogsTheConnectionAndTheLocalEnd) {
    ScriptedFtpServer server;
    server.Expect("USER", "230 in\r\n");
    SessionHarness harness;
    testsupport::Reconfigure(harness.session, [&](ConnectionSettings& config) {
        config.host = server.HostText();
        config.user = "u";
    });
    const int socket = harness.session.Logon().socket;
    ASSERT_NE(socket, LogonResult::kNoSocket);
    const auto& lines = harness.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Connected to 127.0.0.1 port " + std::to_string(server.Port()));
    EXPECT_EQ(lines[1], "[" + std::to_string(socket) + "] from 127.0.0.1 port " +
                            std::to_string(harness.session.LocalAddress().Port()));
    EXPECT_EQ(lines[2], "220 Scripted server ready.");
    EXPECT_EQ(lines[3], "Quillmoor: USER u");
}

TEST(Logon, AnExosGreetingMakesALoneCrEndReplyLines) {
    ScriptedFtpServer server("120 wait (EXOS 8.3)\r\n220 ready\r");
    server.Expect("USER", "331 pw\r").Expect("PASS", "230 in\r");
    SessionHarness harness;
    testsupport::Reconfigure(harness.session, [&](ConnectionSettings& config) {
        config.timeoutSeconds = 3;
        config.host = server.HostText();
        config.user = "u";
        config.password = "p";
    });
    EXPECT_TRUE(harness.session.Logon().Connected()) << harness.Joined();
    EXPECT_TRUE(harness.session.Control().CrEndsLine());
    EXPECT_TRUE(harness.HasLine("230 in"));
}

TEST(Logon, RefusalsBeforeDialling) {
    SessionHarness harness;
    harness.session.Control().MarkConnected();
    EXPECT_EQ(harness.session.Logon().cause, LogonResult::Cause::AlreadyConnected);
    EXPECT_TRUE(harness.session.IsConnected());
    harness.session.Control().MarkDisconnected();
    testsupport::Reconfigure(
        harness.session, [&](ConnectionSettings& config) { config.firewall = {true, 2, 0, "", "fu", "fp"}; });
    EXPECT_EQ(harness.session.Logon().cause, LogonResult::Cause::NoFirewallHost);
    EXPECT_EQ(
        harness.Lines(),
        (std::vector<std::string>{
            "Trying to connect when already connected.",
            "FireWall Host must be entered in the FireWall dialog before connection can be established.",
        }));
}

TEST(Logon, AGreetingThatIsNotCompleteIsRefused) {
    ScriptedFtpServer server("421 Too many users\r\n");
    SessionHarness harness;
    testsupport::Reconfigure(harness.session,
                             [&](ConnectionSettings& config) { config.host = server.HostText(); });
    const LogonResult logon = harness.session.Logon();
    EXPECT_EQ(logon.cause, LogonResult::Cause::BadWelcome);
    EXPECT_EQ(logon.replyCode, 421);
    EXPECT_EQ(logon.replyText, "421 Too many users");
    EXPECT_TRUE(harness.HasLine("Unknown open msg \"421 Too many users\" 421")) << harness.Joined();
    EXPECT_FALSE(harness.session.Control().IsOpen());
    EXPECT_EQ(harness.session.Control().BusyCount(), 0);
}

TEST(Logon, AServerThatNeverGreetsEndsAtTheTimeLimit) {
    ScriptedFtpServer server("");
    SessionHarness harness;
    testsupport::Reconfigure(harness.session, [&](ConnectionSettings& config) {
        config.timeoutSeconds = 1;
        config.host = server.HostText();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(harness.session.Logon().Connected());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_TRUE(harness.HasLine("Timed out after 1 second waiting for the server.")) << harness.Joined();
    EXPECT_TRUE(harness.HasLine("Unknown open msg \"\" 421")) << harness.Joined();
    EXPECT_FALSE(harness.session.IsConnected());
    EXPECT_EQ(harness.session.Control().BusyCount(), 0);
}

TEST(Logon, NobodyListeningLogsTheFailedConnection) {
    SessionHarness harness;
    const unsigned port = testsupport::FreeTcpPort();
    testsupport::Reconfigure(harness.session,
                             [&](ConnectionSettings& config) { config.host = "127.0.0.1:" + std::to_string(port); });
    const LogonResult logon = harness.session.Logon();
    EXPECT_EQ(logon.cause, LogonResult::Cause::ConnectionRefused);
    EXPECT_EQ(logon.socketError, net::kErrorConnectionRefused);
    EXPECT_EQ(logon.address.HostText(), "127.0.0.1");
    EXPECT_EQ(logon.address.Port(), port);
    EXPECT_EQ(logon.host, harness.session.Settings().host);
    const std::string failure =
        "Could not connect to 127.0.0.1 port " + std::to_string(port) + ": Connection refused";
    EXPECT_TRUE(harness.HasLine(failure)) << harness.Joined();
    EXPECT_EQ(harness.session.Control().BusyCount(), 0);
}

TEST(Configure, LongFirewallValuesAreCutToTheFieldCapacities) {
    SessionHarness harness;
    ConnectionSettings settings;
    settings.firewall = {true, 3, 2121, std::string(100, 'h'), std::string(40, 'u'), std::string(40, 'p')};
    harness.session.Configure(settings);
    EXPECT_EQ(harness.session.Settings().firewall.host, std::string(79, 'h'));
    EXPECT_EQ(harness.session.Settings().firewall.user, std::string(29, 'u'));
    EXPECT_EQ(harness.session.Settings().firewall.password, std::string(29, 'p'));
    EXPECT_EQ(harness.session.Settings().firewall.port, 2121);
    EXPECT_EQ(harness.session.Settings().firewall.mode, 3);
}

}  // namespace
