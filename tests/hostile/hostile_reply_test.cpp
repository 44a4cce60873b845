// Replies that arrive a byte at a time, with bare LF line ends, or as one
// endless line.
#include <chrono>

#include "hostile_fixture.h"
#include "support/session_settings.h"

namespace hostile {
namespace {

using namespace std::chrono_literals;
using testsupport::ScriptedConnection;

// Sends the bytes one at a time, each in a segment of its own.
void Trickle(ScriptedConnection& connection, const std::string& bytes) {
    for (char c : bytes) {
        connection.Send(std::string(1, c));
        if (!connection.Pause(1ms)) return;
    }
}

class HostileReplyTest : public HostileServerTest {
protected:
    void Connect() {
        testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) {
            config.host = s.server.HostText();
            config.user = "tester";
            config.password = "secret";
        });
    }
};

TEST_F(HostileReplyTest, MultiLineRepliesAByteAtATimeWithBareLineFeeds) {
    s.server.SetGreetingHandler([](ScriptedConnection& connection, const std::string&) {
        Trickle(connection, "220-Welcome\n220-to the\r\n   slow server\n220 ready\n");
    });
    s.server.Expect("USER", [](ScriptedConnection& connection, const std::string&) {
        Trickle(connection, "331-Password\n331 please\n");
    });
    s.server.Expect("PASS", [](ScriptedConnection& connection, const std::string&) {
        Trickle(connection, "230-Logged\r\n230 in\n");
    });
    Connect();
    Stopwatch clock;
    ASSERT_TRUE(s.session.Logon().Connected()) << s.harness.Joined();
    EXPECT_LT(clock.Elapsed(), 5s);
    EXPECT_TRUE(s.session.IsConnected());
    for (const char* line : {"220-Welcome", "220-to the", "   slow server", "220 ready", "331-Password",
                             "331 please", "230-Logged", "230 in"}) {
        EXPECT_TRUE(s.harness.HasLine(line)) << line << "\n" << s.harness.Joined();
    }
}

// A megabyte without a line end: read in bounded pieces, each logged as a
// line of bounded length, until the time limit ends the wait for the rest.
TEST_F(HostileReplyTest, MegabyteLineWithoutLineEndEndsAtTheTimeLimit) {
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.timeoutSeconds = 1; });
    s.server.SetGreetingHandler([](ScriptedConnection& connection, const std::string&) {
        connection.Send("220-" + std::string(1 << 20, 'a'));
        connection.Pause(5s);
    });
    Connect();
    Stopwatch clock;
    EXPECT_FALSE(s.session.Logon().Connected());
    EXPECT_LT(clock.Elapsed(), 4s);
    EXPECT_FALSE(s.session.IsConnected());
    EXPECT_TRUE(s.harness.HasLine("Timed out after 1 second waiting for the server.")) << s.harness.Joined();
    const auto& lines = s.harness.Lines();
    EXPECT_GE(lines.size(), 250u);
    for (const std::string& line : lines) ASSERT_LE(line.size(), FtpSession::kLogLineCapacity);
    EXPECT_LE(s.session.Control().ReplyText().size(), FtpSession::kReplyCapacity);
}

// Continuation lines without end, each arriving well within the time limit:
// the reply as a whole ends at the limit, with a bounded log, and the session
// gives the connection up rather than read the rest as later replies.
TEST_F(HostileReplyTest, EndlessMultiLineReplyEndsAtTheTimeLimit) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.timeoutSeconds = 1; });
    s.server.Expect("CWD", [](ScriptedConnection& connection, const std::string&) {
        std::string burst;
        for (int i = 0; i < 100; ++i) burst += "250-and there is more\r\n";
        const Stopwatch clock;
        while (clock.Elapsed() < 6s && connection.Pause(10ms)) connection.Send(burst);
    });
    Stopwatch clock;
    EXPECT_EQ(s.session.ChangeDir("pub"), kTransient);
    EXPECT_LT(clock.Elapsed(), 3s);
    EXPECT_FALSE(s.session.IsConnected());
    EXPECT_TRUE(s.harness.HasLine("Reply longer than 1000 lines; the rest is not logged."))
        << s.harness.Joined();
    EXPECT_TRUE(s.harness.HasLine("Timed out after 1 second waiting for the server."));
    EXPECT_LT(s.harness.Lines().size(), 1100u);
}

TEST_F(HostileReplyTest, MegabyteLineThenAFinalLineIsReadWhole) {
    s.server.SetGreeting("220-" + std::string(1 << 20, 'b') + "\r\n220 ready\r\n");
    s.server.Expect("USER", "331 Password please.\r\n").Expect("PASS", "230 Logged in.\r\n");
    Connect();
    ASSERT_TRUE(s.session.Logon().Connected()) << s.harness.Joined();
    EXPECT_TRUE(s.session.IsConnected());
    EXPECT_TRUE(s.harness.HasLine("220 ready"));
}

}  // namespace
}  // namespace hostile
