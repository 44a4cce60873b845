// Data connections that never come, come from the wrong host or break, size
// announcements that are not sizes, and control connections that end in the
// middle of a reply.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "ftp/announced_sizes.h"
#include "hostile_fixture.h"
#include "support/session_settings.h"

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

    ReplyClass Download(const std::string& name, const std::string& local) {
        return s.session.DownloadFile(name, &local);
    }
    std::int64_t Expected() {
        TransferStatusLock lock(s.harness.status);
        return s.harness.status.expectedBytes;
    }
    // The previous download of the file, which a failed download must keep.
    std::string PreviousFile(const std::string& name) { return dir.WriteFile(name, "previous").string(); }
    // The case's directory holds nothing but these names (no partial file).
    void ExpectOnly(const std::vector<std::string>& names) { EXPECT_EQ(LocalTree(), names); }
    // A binary download that broke off keeps the previous file and, beside
    // it, only bytes that were sent, from the start; removed for the next case.
    void ExpectOnlyWithPartial(const std::string& name, const std::string& sent) {
        ExpectOnly({name, name + ".part"});
        const std::string partial = TempDir::ReadFile(dir / (name + ".part"));
        EXPECT_TRUE(!partial.empty() && sent.compare(0, partial.size(), partial) == 0) << partial.size();
        std::filesystem::remove(dir / (name + ".part"));
    }

    // Answers a transfer command with preliminary, sends data and "226".
    static testsupport::StepHandler SendData(std::string preliminary, std::string data) {
        return [preliminary, data](ScriptedConnection& connection, const std::string&) {
            connection.Send(preliminary);
            DataLink link = connection.ConnectToLastPort();
            link.SendAll(data);
            link.Close();
            connection.Send("226 Transfer complete.\r\n");
        };
    }
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
    EXPECT_EQ(Download("x", local), kComplete);
    EXPECT_EQ(TempDir::ReadFile(local), "genuine");
    EXPECT_EQ(intruderSaw->Get(), "");
    EXPECT_TRUE(s.harness.HasLineContaining("refused data connection from 127.0.0.3 port "))
        << s.harness.Joined();
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
    EXPECT_EQ(Download("x", local), kNoReply);
    EXPECT_LT(clock.Elapsed(), 2s) << "the time limit is " << s.session.Settings().timeoutSeconds << " s";
    EXPECT_TRUE(s.harness.HasLine("425 Can't open data connection.")) << s.harness.Joined();
    EXPECT_TRUE(s.harness.HasLineContaining("The server replied without opening the data connection."))
        << s.harness.Joined();
    // The one retry in passive mode meets a server that knows neither EPSV nor PASV.
    EXPECT_TRUE(s.harness.HasLine("Passive mode refused as well; the transfer is not started.")) << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "previous");

    s.server.Expect("CWD", "250 ok\r\n");
    EXPECT_EQ(s.session.ChangeDir("elsewhere"), kComplete) << "the session is still in step with the server";
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
    EXPECT_EQ(Download("x", local), kNoReply);
    EXPECT_LT(clock.Elapsed(), 2s);
    EXPECT_TRUE(s.harness.HasLine("421 Service not available, closing control connection."))
        << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
    ExpectOnly({"x"});
}

TEST_F(HostileTransferTest, SilenceAfterPreliminaryEndsAtTheTimeLimit) {
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.timeoutSeconds = 1; });
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening.\r\n");
        connection.Pause(5s);
    });
    Stopwatch clock;
    EXPECT_EQ(Download("x", (dir / "x").string()), kNoReply);
    EXPECT_LT(clock.Elapsed(), 2500ms);
    EXPECT_TRUE(s.harness.HasLine("Timed out after 1 second waiting for the server.")) << s.harness.Joined();
    ExpectOnly({});
}

TEST_F(HostileTransferTest, SilenceAfterPreliminaryEndsWithCancel) {
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.timeoutSeconds = 60; });
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
    EXPECT_FALSE(s.session.IsConnected());
    EXPECT_FALSE(s.session.Control().IsOpen());
    EXPECT_TRUE(s.harness.HasLineContaining("Socket closed.")) << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
    ExpectOnly({"x"});
}

TEST_F(HostileTransferTest, SizesThatAreNotSizesAreIgnored) {
    const std::pair<const char*, const char*> announcements[] = {
        {"550 No.\r\n", "150 Opening (99999999999999999999 bytes).\r\n"},
        {"550 No.\r\n", "150 Opening (-5 bytes).\r\n"},
        {"550 No.\r\n", "150 Opening (12abc bytes).\r\n"},
        {"550 No.\r\n", "150 Opening (bytes).\r\n"},
        {"213 99999999999999999999\r\n", "150 Opening.\r\n"},
        {"213 -5\r\n", "150 Opening.\r\n"},
        {"213 \r\n", "150 Opening.\r\n"},
        {"213 unknown\r\n", "150 Opening.\r\n"},
    };
    for (const auto& [sizeReply, preliminary] : announcements) {
        SCOPED_TRACE(std::string(sizeReply) + preliminary);
        s.server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", sizeReply).Expect("PORT", "200 ok\r\n");
        s.server.Expect("RETR", SendData(preliminary, "data"));
        const std::string local = (dir / "sized").string();
        EXPECT_EQ(Download("sized", local), kComplete);
        EXPECT_EQ(Expected(), 0);
        EXPECT_FALSE(s.harness.status.totalKnown);
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
    EXPECT_NE(Download("big", local), kComplete);
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
    EXPECT_TRUE(s.harness.HasLineContaining("Recv: ")) << s.harness.Joined();
    ExpectOnlyWithPartial("big", std::string(50000, 'd'));
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
    EXPECT_EQ(Download("big", local), kPermanent);
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
    EXPECT_TRUE(s.harness.HasLineContaining("Recv: ")) << s.harness.Joined();
    ExpectOnlyWithPartial("big", std::string(30000, 'd'));
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
    EXPECT_EQ(Download("x", local), kAborted);
    EXPECT_LT(clock.Elapsed(), 2s);
    EXPECT_TRUE(s.harness.HasLine("The server closed the connection.")) << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "previous") << "an unconfirmed download replaces nothing";
    ExpectOnlyWithPartial("x", "data");
}

// Announced sizes against what arrives: in image and L 8 modes fewer or more
// bytes than announced (by SIZE or by the 150 reply, which must agree) are a
// failed download that keeps the previous file; ASCII sizes are not compared;
// a refused SIZE leaves the size to the 150 reply.
TEST_F(HostileTransferTest, AnnouncedSizesDecideWhetherABinaryDownloadIsWhole) {
    struct Row {
        const char* name;
        char mode;
        const char* sizeReply;
        const char* preliminary;
        ReplyClass result;
        const char* logLine;
    };
    const Row rows[] = {
        {"short of the 150 reply", 'I', "550 Not a plain file.\r\n", "150 Opening (10 bytes).\r\n",
         kPermanent, "Received 5 of the 10 bytes announced: the download is incomplete."},
        {"short in L 8", 'L', "550 Not a plain file.\r\n", "150 Opening (10 bytes).\r\n", kPermanent,
         "Received 5 of the 10 bytes announced: the download is incomplete."},
        {"short of SIZE", 'I', "213 10\r\n", "150 Opening.\r\n", kPermanent,
         "Received 5 of the 10 bytes announced: the download is incomplete."},
        {"ASCII sizes differ", 'A', "550 Not a plain file.\r\n", "150 Opening (10 bytes).\r\n", kComplete,
         nullptr},
        {"more than announced", 'I', "213 3\r\n", "150 Opening.\r\n", kPermanent,
         "Received 5 bytes, more than the 3 announced: the file may be growing on the server."},
        {"short of SIZE, 150 agrees with what came", 'I', "213 10\r\n", "150 Opening (5 bytes).\r\n",
         kPermanent, "SIZE said 10, the 150 reply said 5, 5 arrived."},
        {"SIZE refused, 150 decides", 'I', "550 Not a plain file.\r\n", "150 Opening (5 bytes).\r\n",
         kComplete, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testsupport::Reconfigure(s.session,
                                 [&](ConnectionSettings& config) { config.transferMode = row.mode; });
        s.server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", row.sizeReply).Expect("PORT", "200 ok\r\n");
        s.server.Expect("RETR", SendData(row.preliminary, "12345"));
        const std::string local = PreviousFile("f");
        EXPECT_EQ(Download("f", local), row.result) << s.harness.Joined();
        EXPECT_TRUE(s.harness.status.totalKnown) << "the progress dialog has a total";
        EXPECT_EQ(TempDir::ReadFile(local), row.result == kComplete ? "12345" : "previous");
        if (row.logLine != nullptr) {
            EXPECT_TRUE(s.harness.HasLine(row.logLine)) << s.harness.Joined();
        }
        if (row.result == kComplete || row.mode == 'A') {
            ExpectOnly({"f"});
        } else {
            ExpectOnlyWithPartial("f", "12345");
        }
    }
}

// A server that sends without end after announcing a size: reading stops a
// little past it and the download fails, whatever size was announced where
// and in whichever mode (ASCII may double its line ends on the wire).
TEST_F(HostileTransferTest, EndlessDataStopsJustPastTheAnnouncedSize) {
    const struct {
        char mode;
        const char* sizeReply;
        const char* preliminary;
        std::int64_t limit;  // the most that may arrive
    } rows[] = {
        {'I', "213 1000\r\n", "150 Opening.\r\n", 1000 + AnnouncedSizes::kMargin},
        {'I', "550 No.\r\n", "150 Opening (1000 bytes).\r\n", 1000 + AnnouncedSizes::kMargin},
        {'A', "213 1000\r\n", "150 Opening.\r\n", 2000 + AnnouncedSizes::kMargin},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.sizeReply) + row.preliminary);
        testsupport::Reconfigure(s.session,
                                 [&](ConnectionSettings& config) { config.transferMode = row.mode; });
        s.server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", row.sizeReply).Expect("PORT", "200 ok\r\n");
        // More than the socket buffers hold; bounded so a client that never stops fails, not hangs.
        s.server.Expect("RETR", testsupport::SendDownload(std::string(16 << 20, 'e'),
                                                          "426 Transfer aborted.\r\n", row.preliminary));
        const std::string local = PreviousFile("log");
        const TransferOutcome outcome = s.session.Download("log", &local);
        EXPECT_EQ(outcome.result, kPermanent);
        EXPECT_TRUE(s.harness.HasLine("Received more than the 1000 bytes announced; stopped after " +
                                      std::to_string(row.limit) + ": the file may be growing on the server."))
            << s.harness.Joined();
        EXPECT_EQ(outcome.reason,
                  "More data arrived than the 1000 bytes announced: the file may be growing on the server.");
        EXPECT_EQ(TempDir::ReadFile(local), "previous");
        if (row.mode != 'A') {
            EXPECT_EQ(std::filesystem::file_size(dir / "log.part"), static_cast<std::uintmax_t>(row.limit));
            std::filesystem::remove(dir / "log.part");
        }
        ExpectOnly({"log"});
    }
}

// The server takes part of an upload, drops the data connection (reset, or a
// close with data unread) and then claims success: the upload has failed.
TEST_F(HostileTransferTest, UploadCutOffPartWayFailsWhateverTheFinalReply) {
    const std::filesystem::path local = dir.WriteFile("big.bin", "");
    std::filesystem::resize_file(local, 32 << 20);  // more than both socket buffers hold
    for (const bool reset : {true, false}) {
        SCOPED_TRACE(reset ? "reset" : "closed");
        s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
        s.server.Expect("STOR", [reset](ScriptedConnection& connection, const std::string&) {
            connection.Send("150 Ok to send data.\r\n");
            DataLink link = connection.ConnectToLastPort();
            char part[65536];
            [[maybe_unused]] const ssize_t got = recv(link.Fd(), part, sizeof part, MSG_WAITALL);
            reset ? link.Reset() : link.Close();
            connection.Send("226 Transfer complete.\r\n");
        });
        const std::string path = local.string();
        EXPECT_EQ(s.session.UploadFile("big.bin", &path), kPermanent) << s.harness.Joined();
        EXPECT_TRUE(s.harness.HasLine("Error on Transfer, aborted")) << s.harness.Joined();
        EXPECT_TRUE(s.harness.HasLine("226 Transfer complete."))
            << "the reply is read: the session stays in step";
        EXPECT_TRUE(s.session.IsConnected());
    }
}

// What is already at a download's local path decides how it is written: a
// link is written through (the link stays, its target gets the file), a pipe
// is written into, a directory or a pipe that nobody reads is refused.
TEST_F(HostileTransferTest, DownloadOverWhatIsAlreadyThere) {
    namespace fs = std::filesystem;
    fs::create_directories(dir / "elsewhere");
    const fs::path target = dir.WriteFile("elsewhere/target", "previous");
    fs::create_symlink("elsewhere/target", dir / "link");
    fs::create_symlink("elsewhere/new", dir / "dangling");
    fs::create_directory(dir / "folder");
    ASSERT_EQ(mkfifo((dir / "unread").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    auto piped = std::make_shared<CapturedBytes>();
    std::thread reader([piped, path = dir / "pipe"] { piped->Set(TempDir::ReadFile(path)); });

    struct Row {
        const char* name;
        bool written;
        const char* refusal;
    };
    const Row rows[] = {
        {"link", true, nullptr},
        {"dangling", true, nullptr},
        {"pipe", true, nullptr},
        {"folder", false, "it is a directory."},
        {"unread", false, "no program reads from the pipe."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.written) s.ScriptIncoming("RETR", "150 Opening (4 bytes).\r\n", "data");
        EXPECT_EQ(Download(row.name, (dir / row.name).string()), row.written ? kComplete : kPermanent);
        if (row.refusal != nullptr) {
            EXPECT_TRUE(s.harness.HasLine("Refused to download into " + (dir / row.name).string() + ": " +
                                          row.refusal))
                << s.harness.Joined();
        }
    }
    reader.join();
    EXPECT_EQ(TempDir::ReadFile(target), "data");
    EXPECT_EQ(TempDir::ReadFile(dir / "elsewhere" / "new"), "data");
    EXPECT_EQ(piped->Get(), "data");
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling"));
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
    EXPECT_TRUE(fs::is_fifo(dir / "unread"));
    ExpectOnly(
        {"dangling", "elsewhere", "elsewhere/new", "elsewhere/target", "folder", "link", "pipe", "unread"});
}

}  // namespace
}  // namespace hostile
