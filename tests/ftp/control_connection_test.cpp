#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "support/free_port.h"
#include "support/scripted_ftp_server.h"
#include "support/session_harness.h"
#include "support/session_settings.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ScriptedConnection;
using testsupport::ScriptedFtpServer;
using testsupport::SessionHarness;

// Opens the control connection without logging in and forgets the lines
// written so far, so that each test sees only its own exchange.
void Open(SessionHarness& harness, const ScriptedFtpServer& server) {
    harness.session.Control().Adopt(harness.session.ConnectSocket(server.HostText(), "ftp", "tcp"));
    ASSERT_TRUE(harness.session.Control().IsOpen());
    harness.Lines();
    harness.lines.clear();
}

struct ReplyCase {
    const char* name;
    std::string bytes;
    ReplyClass replyClass;
    int replyCode;
    std::vector<std::string> logged;
};

TEST(ReadReply, ReplyShapes) {
    const ReplyCase cases[] = {
        {"hyphen then final", "230-first\r\n230 last\r\n", kComplete, 230, {"230-first", "230 last"}},
        {"codeless line inside",
         "230-first\r\nplain text\r\n230 done\r\n",
         kComplete,
         230,
         {"230-first", "plain text", "230 done"}},
        {"coded text line ends it",
         "220-a\r\n331 inside\r\n220 end\r\n",
         kContinue,
         331,
         {"220-a", "331 inside"}},
        {"two digits never end it",
         "220-a\r\n22 short\r\n220 end\r\n",
         kComplete,
         220,
         {"220-a", "22 short", "220 end"}},
        {"trailing blanks trimmed", "220 ok   \r\n", kComplete, 220, {"220 ok"}},
        {"codes above 599 continue", "999 odd\r\n150 wait\r\n", kPreliminary, 150, {"999 odd", "150 wait"}},
        {"LF alone ends a line", "550 no\n", kPermanent, 550, {"550 no"}},
        {"NUL ends the text", std::string("220 hi\0junk\r\n", 13), kComplete, 220, {"220 hi"}},
        {"first two characters kept", "2 \r\n220 x\r\n", kComplete, 220, {"2 ", "220 x"}},
    };
    for (const ReplyCase& row : cases) {
        SCOPED_TRACE(row.name);
        ScriptedFtpServer server(row.bytes);
        SessionHarness harness;
        Open(harness, server);
        EXPECT_EQ(harness.session.Control().ReadReply(), row.replyClass);
        EXPECT_EQ(harness.session.Control().ReplyCode(), row.replyCode);
        EXPECT_EQ(harness.Lines(), row.logged);
        EXPECT_EQ(harness.session.Control().BusyCount(), 0);
    }
}

TEST(ReadLine, NeverConsumesPastTheLineEnd) {
    ScriptedFtpServer server("220 first\r\nEXTRA");
    SessionHarness harness;
    Open(harness, server);
    EXPECT_EQ(harness.session.Control().ReadLine(), 220);
    EXPECT_EQ(harness.session.Control().ReplyText(), "220 first");
    char rest[16] = {};
    std::this_thread::sleep_for(50ms);  // let "EXTRA" arrive if it has not yet
    ASSERT_EQ(recv(harness.session.Control().Fd(), rest, sizeof rest, MSG_PEEK | MSG_DONTWAIT), 5);
    EXPECT_EQ(std::string(rest), "EXTRA");
}

TEST(ReadReply, AHundredKilobyteLineIsReadInBoundedPieces) {
    ScriptedFtpServer server("220-" + std::string(100000, 'a') + "\r\n220 ready\r\n");
    SessionHarness harness;
    Open(harness, server);
    EXPECT_EQ(harness.session.Control().ReadReply(), kComplete);
    EXPECT_EQ(harness.session.Control().ReplyText(), "220 ready");
    const auto& lines = harness.Lines();
    EXPECT_GE(lines.size(), 25u);
    for (const std::string& line : lines) EXPECT_LE(line.size(), FtpSession::kLogLineCapacity);
}

TEST(ReadReply, AServerThatClosesMidReplyEndsItAsAborted) {
    ScriptedFtpServer server;
    server.SetGreetingHandler([](ScriptedConnection& connection, const std::string&) {
        connection.Send("220-partial\r\n220-more");
        connection.Close();
    });
    SessionHarness harness;
    Open(harness, server);
    EXPECT_EQ(harness.session.Control().ReadReply(), kAborted);
    EXPECT_EQ(harness.session.Control().ReplyCode(), 421);
    EXPECT_TRUE(harness.session.Control().Aborted());
    EXPECT_EQ(harness.Lines(),
              (std::vector<std::string>{"220-partial", "220-more", "The server closed the connection."}));
    // Once aborted, further reads end at once.
    EXPECT_EQ(harness.session.Control().ReadReply(), kAborted);
}

TEST(ReadReply, AResetConnectionIsLoggedAndAborts) {
    ScriptedFtpServer server;
    server.SetGreetingHandler([](ScriptedConnection& connection, const std::string&) {
        connection.Send("220-first\r\n");
        connection.Pause(100ms);
        connection.Reset();
    });
    SessionHarness harness;
    Open(harness, server);
    EXPECT_EQ(harness.session.Control().ReadReply(), kAborted);
    EXPECT_TRUE(harness.HasLine("Recv: The connection was reset.")) << harness.Joined();
}

TEST(ReadReply, ASilentServerEndsAtTheTimeLimit) {
    ScriptedFtpServer server("");
    SessionHarness harness;
    testsupport::Reconfigure(harness.session, [&](ConnectionSettings& config) { config.timeoutSeconds = 1; });
    Open(harness, server);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(harness.session.Control().ReadReply(), kAborted);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 900ms);
    EXPECT_LT(waited, 3s);
    EXPECT_EQ(harness.session.Control().ReplyCode(), 421);
    EXPECT_TRUE(harness.HasLine("Timed out after 1 second waiting for the server.")) << harness.Joined();
}

TEST(ReadReply, RequestStopWakesABlockedReadAndSilencesIt) {
    ScriptedFtpServer server("");
    SessionHarness harness;
    testsupport::Reconfigure(harness.session, [&](ConnectionSettings& config) {
        config.timeoutSeconds = 0;  // no limit: only the wake can end it
    });
    Open(harness, server);
    ReplyClass replyClass = kNoReply;
    std::thread worker([&] { replyClass = harness.session.Control().ReadReply(); });
    std::this_thread::sleep_for(100ms);
    const auto start = std::chrono::steady_clock::now();
    harness.session.Control().RequestStop();
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    harness.session.Control().ClearStop();
    EXPECT_EQ(replyClass, kAborted);
    EXPECT_TRUE(harness.Lines().empty()) << harness.Joined();
}

TEST(SendCommand, PasswordsAreMaskedOnlyForUpperCasePass) {
    ScriptedFtpServer server;
    server.Expect("PASS", "230 ok\r\n").Expect("pass", "230 ok\r\n");
    SessionHarness harness;
    Open(harness, server);
    ASSERT_EQ(harness.session.Control().ReadReply(), kComplete);
    EXPECT_EQ(harness.session.Control().SendCommand("PASS secret"), kComplete);
    EXPECT_EQ(harness.session.Control().SendCommand("pass secret"), kComplete);
    EXPECT_TRUE(harness.HasLine("Quillmoor: PASS xxxxxx"));
    EXPECT_TRUE(harness.HasLine("Quillmoor: pass secret"));
    EXPECT_FALSE(harness.HasLine("Quillmoor: PASS secret"));
    EXPECT_EQ(server.Received(), (std::vector<std::string>{"PASS secret", "pass secret"}));
}

TEST(SendCommand, ABusySessionRefusesEverythingButQuit) {
    ScriptedFtpServer server;
    SessionHarness harness;
    Open(harness, server);
    ASSERT_EQ(harness.session.Control().ReadReply(), kComplete);
    harness.session.Control().MarkConnected();
    harness.session.Control().BusyCount() = 1;
    EXPECT_EQ(harness.session.Control().SendCommand("NOOP"), kNotSent);
    EXPECT_FALSE(harness.session.IsConnected());
    EXPECT_TRUE(harness.HasLine("Command already in progress, ignored New Cmd"));
    EXPECT_EQ(harness.session.Control().SendCommand("QuIt"), kComplete);
    EXPECT_EQ(server.Received(), (std::vector<std::string>{"QuIt"}));
}

TEST(SendCommand, WithoutAConnectionNothingIsSent) {
    SessionHarness harness;
    harness.session.Control().MarkConnected();
    EXPECT_EQ(harness.session.Control().SendCommand("NOOP"), kNotSent);
    EXPECT_FALSE(harness.session.IsConnected());
    EXPECT_EQ(harness.Lines(), (std::vector<std::string>{"Quillmoor: NOOP", "Connection not established."}));
    EXPECT_EQ(harness.session.Control().SendLine("NOOP"), -1);
    EXPECT_EQ(harness.session.Control().ReadReply(), kNoReply);
    EXPECT_EQ(harness.Lines().size(), 2u);
}

TEST(SendCommand, LinesWithLineBreaksNeverReachTheServer) {
    ScriptedFtpServer server;
    server.Expect("NOOP", "200 ok\r\n");
    SessionHarness harness;
    Open(harness, server);
    ASSERT_EQ(harness.session.Control().ReadReply(), kComplete);
    harness.session.Control().MarkConnected();
    const std::string hostile[] = {"a\r\nDELE b", "a\nDELE b", "a\rDELE b", std::string("a\0b", 3)};
    for (const std::string& name : hostile) {
        EXPECT_EQ(harness.session.Control().SendCommand("DELE " + name), kNotSent);
        EXPECT_EQ(harness.session.Control().SendLine("DELE " + name), -1);
        EXPECT_EQ(harness.session.DeleteFile(name), kNoReply);
        EXPECT_EQ(harness.session.ChangeDir(name), kNoReply);
        EXPECT_FALSE(harness.session.Rename(name, "new"));
        EXPECT_EQ(harness.session.SetPermissions("644", name), kNotSent);
    }
    // The session is still usable and the server saw one clean command only.
    EXPECT_TRUE(harness.session.IsConnected());
    EXPECT_EQ(harness.session.Control().SendCommand("NOOP"), kComplete);
    ASSERT_TRUE(server.WaitForLines(1, 2s));
    EXPECT_EQ(server.ReceivedBytes(), "NOOP\r\n");
    EXPECT_TRUE(harness.HasLine("Refused to send a command containing a line break."));
    for (const std::string& line : harness.Lines()) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    }
}

TEST(Command, ComposesAtMost91CharactersAndRefusesLongerLines) {
    ScriptedFtpServer server;
    server.Expect("DELE", "250 ok\r\n");
    SessionHarness harness;
    Open(harness, server);
    ASSERT_EQ(harness.session.Control().ReadReply(), kComplete);
    const std::string fits(86, 'f');  // "DELE " + 86 = 91
    const std::string tooLong(87, 'g');
    EXPECT_EQ(harness.session.Control().Command("DELE %s", tooLong.c_str()), kNotSent);
    EXPECT_EQ(harness.session.Control().ReplyCode(), 0);
    EXPECT_TRUE(harness.HasLine("Refused to send a command longer than 91 characters."));
    EXPECT_EQ(harness.session.Control().Command("DELE %s", fits.c_str()), kComplete);
    EXPECT_EQ(server.Received(), (std::vector<std::string>{"DELE " + fits}));
    // A "%" in a composed argument is sent literally.
    EXPECT_EQ(harness.session.Control().Command("%s", "SIZE 100%"), kPermanent);
    EXPECT_EQ(server.Received().back(), "SIZE 100%");
}

TEST(CloseAll, ClosesTheControlSocketAndResetsTheSession) {
    ScriptedFtpServer server;
    SessionHarness harness;
    Open(harness, server);
    const int socket = harness.session.Control().Fd();
    harness.session.Control().MarkConnected();
    harness.session.Control().BusyCount() = 2;
    harness.session.CloseAll();
    EXPECT_FALSE(harness.session.Control().IsOpen());
    EXPECT_EQ(harness.session.Control().BusyCount(), 0);
    EXPECT_FALSE(harness.session.IsConnected());
    EXPECT_EQ(harness.Lines(), (std::vector<std::string>{"[" + std::to_string(socket) + "] Socket closed."}));
    EXPECT_TRUE(server.WaitForClientClose(2s));
}

TEST(ConnectSocket, ARefusedConnectionIsLoggedWithItsText) {
    const unsigned short port = testsupport::FreeTcpPort();
    const std::string host = "127.0.0.1:" + std::to_string(port);
    SessionHarness harness;
    EXPECT_FALSE(harness.session.ConnectSocket(host, "ftp", "tcp").IsOpen());
    EXPECT_EQ(harness.Lines(), (std::vector<std::string>{
                                   "Can't connect to " + host + " ftp service.",
                                   "Connection refused",
                               }));
}

TEST(ConnectSocket, AnUnknownHostIsLogged) {
    SessionHarness harness;
    testsupport::Reconfigure(harness.session, [&](ConnectionSettings& config) { config.timeoutSeconds = 5; });
    EXPECT_FALSE(harness.session.ConnectSocket("no-such-host.invalid", "ftp", "tcp").IsOpen());
    EXPECT_TRUE(harness.HasLine("can't get \"no-such-host.invalid\" host entry")) << harness.Joined();
}

TEST(ConnectSocket, APlainHostUsesTheFtpServicePortAndTheDataPeerPort20) {
    SessionHarness harness;
    // Nothing listens on 127.0.0.1:21 here, or something does; either way the
    // address that was dialled is recorded.
    net::Socket socket = harness.session.ConnectSocket("127.0.0.1", "ftp", "tcp");
    harness.session.Control().CloseSocket(socket);
    EXPECT_EQ(harness.session.LoginPart().ServerAddress().Port(), 21);
    EXPECT_EQ(harness.session.DataPeerAddress().Port(), 20);

    // A firewall with port 0 dials the proxy on the same service port.
    testsupport::Reconfigure(harness.session, [&](ConnectionSettings& config) {
        config.firewall = {true, 1, 0, "127.0.0.1", "fu", "fp"};
    });
    net::Socket proxySocket = harness.session.ConnectSocket("127.0.0.1", "ftp", "tcp");
    harness.session.Control().CloseSocket(proxySocket);
    EXPECT_EQ(harness.session.LoginPart().ServerAddress().Port(), 21);
    // An unknown service falls back to 21 with a log line.
    net::Socket unknown = harness.session.ConnectSocket("127.0.0.1", "no-such-service", "tcp");
    harness.session.Control().CloseSocket(unknown);
    EXPECT_EQ(harness.session.LoginPart().ServerAddress().Port(), 21);
    EXPECT_TRUE(harness.HasLine("can't get \"no-such-service\" service entry, will use default"));
}

}  // namespace
