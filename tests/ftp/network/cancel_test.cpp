// Cancel in every phase of a long operation: control is back within a second,
// the session is left disconnected, and the stopped worker leaves no trace.
// Run these under -DSANITIZE=thread as well.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "scripted_transfer_session.h"
#include "support/passive_port.h"
#include "support/session_settings.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::DataLink;
using testsupport::ScriptedConnection;
using testsupport::TempDir;

// Presses Cancel (from the server's thread or a timer) and remembers when,
// and how many log lines existed at that moment.
struct CancelProbe {
    std::atomic<Clock::rep> pressedAt{0};
    std::atomic<std::size_t> linesBefore{0};

    void Press(PollingWaiter& waiter, LogQueue& log) {
        linesBefore = log.Size();
        pressedAt = Clock::now().time_since_epoch().count();
        waiter.Cancel();
    }
    Clock::duration SincePressed() const {
        return Clock::now() - Clock::time_point(Clock::duration(pressedAt.load()));
    }
};

// "[N] Socket closed." as the cancel sequence's CloseAll logs it.
bool IsSocketClosedLine(const std::string& line) {
    const std::string tail = "] Socket closed.";
    if (line.size() <= tail.size() + 1 || line[0] != '[') return false;
    if (line.compare(line.size() - tail.size(), tail.size(), tail) != 0) return false;
    const std::string number = line.substr(1, line.size() - tail.size() - 1);
    return number.find_first_not_of("0123456789") == std::string::npos;
}

class CancelTest : public ::testing::Test {
protected:
    // The server side of a phase: let the worker reach its wait, press
    // Cancel, then keep everything open and silent.
    testsupport::StepHandler PressAndHold() {
        return [this](ScriptedConnection& connection, const std::string&) {
            connection.Pause(150ms);
            probe.Press(s.waiter, s.harness.log);
            connection.Pause(1500ms);
        };
    }

    // What every phase must show once the call has returned.
    void ExpectCancelledCleanly() {
        EXPECT_LT(probe.SincePressed(), 1s) << "control came back too late";
        EXPECT_FALSE(s.session.IsConnected());
        EXPECT_EQ(s.session.Control().BusyCount(), 0);
        EXPECT_FALSE(s.session.Control().IsOpen());
        EXPECT_FALSE(s.session.Transfer().DataConnectionOpen());
        EXPECT_FALSE(s.session.ListenerOpen());

        // After the press only the cancel sequence's own lines appear.
        const std::vector<std::string>& lines = s.harness.Lines();
        for (std::size_t i = probe.linesBefore; i < lines.size(); ++i) {
            if (lines[i] == "Couldn't open TempDirFile for reading." || lines[i].rfind("Kept the ", 0) == 0)
                continue;  // the caller's, not the worker's
            EXPECT_TRUE(IsSocketClosedLine(lines[i])) << "line after Cancel: " << lines[i];
        }

        // Nothing happens later either.
        const auto files = Snapshot();
        const std::size_t logged = s.harness.log.Size();
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(s.harness.log.Size(), logged);
        EXPECT_EQ(Snapshot(), files);
    }

    std::vector<std::string> Snapshot() {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::recursive_directory_iterator(dir.Path())) {
            names.push_back(item.path().string() + ":" +
                            (item.is_regular_file() ? TempDir::ReadFile(item.path()) : std::string("dir")));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Runs the connect worker the way the view does.
    void ConnectAndMaybeCancel() {
        testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) {
            config.host = s.server.HostText();
            config.user = "tester";
            config.password = "secret";
        });
        s.session.StartConnectWorker();
        if (s.waiter.WaitForWorker(EngineUi::WaitKind::Connecting, "", s.harness.status) ==
            EngineUi::WaitResult::Cancelled) {
            s.session.CancelWorker();
            s.session.Control().ClearBusy();
        } else {
            s.session.JoinWorker();
        }
    }

    testsupport::ScriptedTransferSession s;
    TempDir dir;
    CancelProbe probe;
};

TEST_F(CancelTest, WhileDialling) {
    // A listener whose queue is full drops further connection attempts, so
    // the dial hangs until it is cancelled.
    testsupport::PassivePort blackHole;
    blackHole.FillQueue();
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) {
        config.host = "127.0.0.1:" + std::to_string(blackHole.Port());
    });
    s.session.StartConnectWorker();
    std::thread presser([this] {
        std::this_thread::sleep_for(400ms);
        probe.Press(s.waiter, s.harness.log);
    });
    EXPECT_EQ(s.waiter.WaitForWorker(EngineUi::WaitKind::Connecting, "", s.harness.status),
              EngineUi::WaitResult::Cancelled);
    s.session.CancelWorker();
    presser.join();
    EXPECT_FALSE(s.harness.HasLineContaining("Connected to")) << "the dial was meant to hang";
    EXPECT_EQ(s.session.ConnectWorkerLogon().cause, LogonResult::Cause::Cancelled);
    EXPECT_EQ(s.session.ConnectWorkerLogon().address.Port(), blackHole.Port());
    ExpectCancelledCleanly();
}

TEST_F(CancelTest, WhileWaitingForTheGreeting) {
    s.server.SetGreetingHandler(PressAndHold());
    ConnectAndMaybeCancel();
    EXPECT_EQ(s.session.ConnectWorkerLogon().cause, LogonResult::Cause::Cancelled);
    ExpectCancelledCleanly();
}

TEST_F(CancelTest, WhileWaitingForTheLoginReply) {
    s.server.Expect("USER", PressAndHold());
    ConnectAndMaybeCancel();
    ExpectCancelledCleanly();
}

TEST_F(CancelTest, WhileWaitingForTheDataConnection) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [this](ScriptedConnection& connection, const std::string& line) {
        connection.Send("150 Opening (100 bytes).\r\n");
        PressAndHold()(connection, line);
    });
    const std::string local = dir.WriteFile("kept", "previous").string();
    {
        TransferStatusLock lock(s.harness.status);
        s.harness.status.result = kComplete;
    }
    EXPECT_EQ(s.session.DownloadFile("kept", &local), kAborted) << "not the previous transfer's result";
    EXPECT_EQ(s.harness.status.result, kAborted);
    EXPECT_TRUE(s.harness.status.stopWalk);
    ExpectCancelledCleanly();
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
}

TEST_F(CancelTest, WhileConnectingThePassiveDataConnection) {
    testsupport::Reconfigure(s.session,
                             [&](ConnectionSettings& config) { config.dataMode = DataMode::Passive; });
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    testsupport::PassivePort blackHole;
    blackHole.FillQueue();
    s.server.Expect("TYPE", "200 ok\r\n")
        .Expect("EPSV", blackHole.Fill("229 Extended Passive Mode (|||%P|)\r\n"));
    std::thread presser([this] {
        std::this_thread::sleep_for(400ms);
        probe.Press(s.waiter, s.harness.log);
    });
    const std::string local = dir.WriteFile("kept", "previous").string();
    EXPECT_EQ(s.session.DownloadFile("kept", &local), kAborted);
    presser.join();
    EXPECT_FALSE(s.harness.HasLineContaining("] connected to")) << "the connect was meant to hang";
    ExpectCancelledCleanly();
    EXPECT_EQ(s.server.Received().back(), "EPSV") << "no transfer command without a data connection";
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
}

TEST_F(CancelTest, WhileWaitingForTheSizeReply) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    s.server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", PressAndHold());
    const std::string local = dir.WriteFile("kept", "previous").string();
    EXPECT_EQ(s.session.DownloadFile("kept", &local), kAborted);
    ExpectCancelledCleanly();
    EXPECT_EQ(s.server.Received().back(), "SIZE kept") << "nothing follows the cancelled SIZE";
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
}

TEST_F(CancelTest, InTheMiddleOfADownload) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [this](ScriptedConnection& connection, const std::string& line) {
        connection.Send("150 Opening (10000000 bytes).\r\n");
        DataLink link = connection.ConnectToLastPort();
        link.SendAll(std::string(1 << 20, 'd'));
        PressAndHold()(connection, line);
    });
    const std::string local = dir.WriteFile("big.bin", "previous").string();
    s.session.DownloadFile("big.bin", &local);
    ExpectCancelledCleanly();
    EXPECT_EQ(TempDir::ReadFile(local), "previous") << "the replaced file survives";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
    EXPECT_EQ(TempDir::ReadFile(local + ".part"), std::string(1 << 20, 'd'))
        << "what arrived is kept for a resume";
    EXPECT_TRUE(s.harness.HasLine("Kept the 1048576 bytes received in " + local + ".part."));
}

TEST_F(CancelTest, InTheMiddleOfAnUpload) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("STOR", [this](ScriptedConnection& connection, const std::string& line) {
        connection.Send("150 Ok to send data.\r\n");
        DataLink link = connection.ConnectToLastPort();
        // Read a little, then stop reading so that the sender blocks.
        char buffer[8192];
        [[maybe_unused]] ssize_t got = recv(link.Fd(), buffer, sizeof buffer, 0);
        connection.Pause(300ms);
        PressAndHold()(connection, line);
    });
    const std::filesystem::path local = dir / "big.bin";
    std::filesystem::resize_file(dir.WriteFile("big.bin", ""), 256LL << 20);
    const std::string path = local.string();
    EXPECT_EQ(s.session.UploadFile("big.bin", &path), kAborted)
        << "the desktop says \"Error uploading file.\"";
    ExpectCancelledCleanly();
}

TEST_F(CancelTest, InTheMiddleOfAListing) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("LIST", [this](ScriptedConnection& connection, const std::string& line) {
        connection.Send("150 Here comes the listing.\r\n");
        DataLink link = connection.ConnectToLastPort();
        link.SendAll("total 1\r\n-rw-r--r-- 1 a b 1 Jan  1  2020 partial\r\n");
        PressAndHold()(connection, line);
    });
    RemoteEntry entry;
    EXPECT_EQ(s.session.FetchListing(entry), ListingRead::Cancelled);
    ExpectCancelledCleanly();
}

TEST_F(CancelTest, TheSessionConnectsAgainAfterACancel) {
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", PressAndHold());
    const std::string local = (dir / "x").string();
    s.session.DownloadFile("x", &local);
    ExpectCancelledCleanly();

    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "again");
    EXPECT_EQ(s.session.DownloadFile("x", &local), kComplete) << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "again");
}

}  // namespace
