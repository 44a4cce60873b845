// Data connections that never come, come from the wrong host or break, size
// announcements that are not sizes, and control connections that end in the
// middle of a reply.
#include <chrono>
#include <filesystem>
#include <thread>

#include "hostile_fixture.h"

namespace hostile {
namespace {

using namespace std::chrono_literals;
using testsupport::CapturedBytes;
using testsupport::DataLink;
using testsupport::ScriptedConnection;
using testsupport::TempDir;

class HostileTransferTest : public HostileServerTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(s.LogIn()); }

    int Download(const std::string& name, const std::string& local) { return s.session.DownloadFile(name, &local); }
    std::int64_t Expected() {
        TransferStatusLock lock(s.harness.status);
        return s.harness.status.expectedBytes;
    }
    // The previous download of the file, which a failed download must keep.
    std::string PreviousFile(const std::string& name) { return dir.WriteFile(name, "previous").string(); }
    // The case's directory holds nothing but these names (no partial file).
    void ExpectOnly(const std::vector<std::string>& names) { EXPECT_EQ(LocalTree(), names); }
};

TEST_F(HostileTransferTest, ThirdHostOnTheDataPortIsTurnedAway) {
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    auto intruderSaw = std::make_shared<CapturedBytes>();
    s.server.Expect("RETR", [intruderSaw](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening.\r\n");
        DataLink intruder = connection.ConnectToLastPort("127.0.0.3");
        intruder.SendAll("forged");
        intruderSaw->Set(intruder.ReadAll(500ms));
        DataLink server = connection.ConnectToLastPort();
        server.SendAll("genuine");
        server.Close();
        connection.Send("226 Done.\r\n");
    });
    const std::string local = PreviousFile("x");
    EXPECT_EQ(Download("x", local), 2);
    EXPECT_EQ(TempDir::ReadFile(local), "genuine");
    EXPECT_EQ(intruderSaw->Get(), "");
    EXPECT_TRUE(s.harness.HasLineContaining("refused data connection from 127.0.0.3 port ")) << s.harness.Joined();
}

// The server answers the transfer command and then refuses to open the data
// connection: the client hears the refusal on the control connection and
// gives up at once, instead of waiting out the time limit for a connection
// that will never come; the session stays usable.
TEST_F(HostileTransferTest, RefusalAfterPreliminaryEndsTheWaitAtOnce) {
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", "150 Opening.\r\n425 Can't open data connection.\r\n");
    const std::string local = PreviousFile("x");
    Stopwatch clock;
    EXPECT_EQ(Download("x", local), 0);
    EXPECT_LT(clock.Elapsed(), 2s) << "the time limit is " << s.session.timeoutSeconds << " s";
    EXPECT_TRUE(s.harness.HasLine("425 Can't open data connection.")) << s.harness.Joined();
    EXPECT_TRUE(s.harness.HasLineContaining("The server replied without opening the data connection."))
        << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "previous");

    s.server.Expect("CWD", "250 ok\r\n");
    EXPECT_EQ(s.session.ChangeDir("elsewhere"), 2) << "the session is still in step with the server";
    ExpectOnly({"x"});
}

TEST_F(HostileTransferTest, ServiceClosingAfterPreliminaryEndsTheWaitAtOnce) {
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening.\r\n421 Service not available, closing control connection.\r\n");
        connection.Close();
    });
    const std::string local = PreviousFile("x");
    Stopwatch clock;
    EXPECT_EQ(Download("x", local), 0);
    EXPECT_LT(clock.Elapsed(), 2s);
    EXPECT_TRUE(s.harness.HasLine("421 Service not available, closing control connection.")) << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
    ExpectOnly({"x"});
}

TEST_F(HostileTransferTest, SilenceAfterPreliminaryEndsAtTheTimeLimit) {
    s.session.timeoutSeconds = 1;
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening.\r\n");
        connection.Pause(5s);
    });
    Stopwatch clock;
    EXPECT_EQ(Download("x", (dir / "x").string()), 0);
    EXPECT_LT(clock.Elapsed(), 2500ms);
    EXPECT_TRUE(s.harness.HasLine("Timed out after 1 second waiting for the server.")) << s.harness.Joined();
    ExpectOnly({});
}

TEST_F(HostileTransferTest, SilenceAfterPreliminaryEndsWithCancel) {
    s.session.timeoutSeconds = 60;
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening.\r\n");
        connection.Pause(10s);
    });
    std::thread user([this] {
        std::this_thread::sleep_for(300ms);
        s.waiter.Cancel();
    });
    const std::string local = PreviousFile("x");
    Stopwatch clock;
    Download("x", local);
    user.join();
    EXPECT_LT(clock.Elapsed(), 1300ms) << "Cancel ends the wait within a second";
    EXPECT_FALSE(s.session.connected);
    EXPECT_EQ(s.session.controlSocket, CFtpSession::kNoSocket);
    EXPECT_TRUE(s.harness.HasLineContaining("Socket closed.")) << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
    ExpectOnly({"x"});
}

TEST_F(HostileTransferTest, SizesThatAreNotSizesAreIgnored) {
    const char* const announcements[] = {
        "150 Opening (99999999999999999999 bytes).\r\n",
        "150 Opening (-5 bytes).\r\n",
        "150 Opening (12abc bytes).\r\n",
        "150 Opening (bytes).\r\n",
    };
    for (const char* announcement : announcements) {
        SCOPED_TRACE(announcement);
        s.ScriptIncoming("RETR", announcement, "data");
        const std::string local = (dir / "sized").string();
        EXPECT_EQ(Download("sized", local), 2);
        EXPECT_EQ(Expected(), 0);
        EXPECT_EQ(TempDir::ReadFile(local), "data");
    }
}

TEST_F(HostileTransferTest, DataConnectionResetMidFileKeepsThePreviousFile) {
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening (100000 bytes).\r\n");
        DataLink link = connection.ConnectToLastPort();
        link.SendAll(std::string(50000, 'd'));
        std::this_thread::sleep_for(50ms);
        link.Reset();
        connection.Send("426 Connection closed; transfer aborted.\r\n");
    });
    const std::string local = PreviousFile("big");
    EXPECT_NE(Download("big", local), 2);
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
    EXPECT_TRUE(s.harness.HasLineContaining("Recv: ")) << s.harness.Joined();
    ExpectOnly({"big"});
}

// The data connection breaks off, yet the server reports success: the
// download has still failed, and says so.
TEST_F(HostileTransferTest, ResetDataWithAClaimOfSuccessIsAFailure) {
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening (100000 bytes).\r\n");
        DataLink link = connection.ConnectToLastPort();
        link.SendAll(std::string(30000, 'd'));
        std::this_thread::sleep_for(50ms);
        link.Reset();
        connection.Send("226 Transfer complete.\r\n");
    });
    const std::string local = PreviousFile("big");
    EXPECT_EQ(Download("big", local), 5);
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
    EXPECT_TRUE(s.harness.HasLineContaining("Recv: ")) << s.harness.Joined();
    ExpectOnly({"big"});
}

TEST_F(HostileTransferTest, ControlClosedMidReplyKeepsThePreviousFile) {
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening (4 bytes).\r\n");
        DataLink link = connection.ConnectToLastPort();
        link.SendAll("data");
        link.Close();
        connection.Send("226 Trans");
        connection.Close();
    });
    const std::string local = PreviousFile("x");
    Stopwatch clock;
    EXPECT_EQ(Download("x", local), 6);
    EXPECT_LT(clock.Elapsed(), 2s);
    EXPECT_TRUE(s.harness.HasLine("The server closed the connection.")) << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "previous") << "an unconfirmed download replaces nothing";
    ExpectOnly({"x"});
}

}  // namespace
}  // namespace hostile
