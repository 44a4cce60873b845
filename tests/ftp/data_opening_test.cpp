// The choice between active and passive data connections and the fallback
// between them, with openers that prepare as each case needs and a scripted
// server on the control connection.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "ftp/file_transfer.h"
#include "platform/net/socket_error_codes.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ScriptedFtpServer;
using testsupport::TempDir;

// A data connection that delivers a fixed text and then ends.
class TextStream : public DataStream {
public:
    explicit TextStream(std::string text) : text(std::move(text)) {}
    bool IsOpen() const override { return open; }
    unsigned Number() const override { return 1; }
    int Fd() const override { return -1; }
    long Receive(char* into, std::size_t capacity, int&) override {
        const std::size_t count = std::min(capacity, text.size() - offset);
        text.copy(into, count, offset);
        offset += count;
        return static_cast<long>(count);
    }
    long Send(const char*, std::size_t length, ReplyClass& status) override {
        status = kComplete;
        return static_cast<long>(length);
    }
    std::int64_t Unacknowledged() const override { return 0; }
    ReplyClass Finish(std::int64_t, ProgressPublisher&) override { return kComplete; }
    int Shutdown() override { return 0; }
    void Close() override { open = false; }

private:
    std::string text;
    std::size_t offset = 0;
    bool open = true;
};

// Prepares as told; completes with a TextStream, or with none and failure.
class ScriptedOpener : public DataOpener {
public:
    Prepared prepared = Prepared::Ready;
    int failure = 0;  // set: Complete delivers no connection and this error
    int prepares = 0;

    Prepared Prepare() override {
        ++prepares;
        return prepared;
    }
    std::unique_ptr<DataStream> Complete(int& errorCode) override {
        errorCode = failure;
        if (failure != 0) return nullptr;
        return std::make_unique<TextStream>("data");
    }
    void Close() override {}
};

struct Step {
    const char* verb;
    const char* reply;
};

struct FallbackCase {
    const char* name;
    DataMode mode;
    DataOpener::Prepared active;
    int activeFailure;
    DataOpener::Prepared passive;
    std::vector<Step> transferReplies;  // after TYPE and SIZE
    const char* switchLine;
    DataMode modeAfter;
    ReplyClass result;
    int activePrepares;
    int passivePrepares;
};

using Prepared = DataOpener::Prepared;

const FallbackCase kCases[] = {
    {"port refused",
     DataMode::Active,
     Prepared::Refused,
     0,
     Prepared::Ready,
     {{"RETR", "150 ok\r\n226 done\r\n"}},
     "Active mode refused; switching to passive mode.",
     DataMode::Passive,
     kComplete,
     1,
     1},
    {"server cannot connect",
     DataMode::Active,
     Prepared::Ready,
     0,
     Prepared::Ready,
     {{"RETR", "425 Can't open data connection.\r\n"}, {"RETR", "150 ok\r\n226 done\r\n"}},
     "The server could not connect in active mode; switching to passive mode.",
     DataMode::Passive,
     kComplete,
     1,
     1},
    {"passive unknown",
     DataMode::Passive,
     Prepared::Ready,
     0,
     Prepared::Unavailable,
     {{"RETR", "150 ok\r\n226 done\r\n"}},
     "Passive mode refused; switching to active mode.",
     DataMode::Active,
     kComplete,
     1,
     1},
    // The server still owes the reply to this transfer: only the next one
    // goes passive.
    {"connection never arrives",
     DataMode::Active,
     Prepared::Ready,
     net::kErrorTimedOut,
     Prepared::Ready,
     {{"RETR", "150 ok\r\n"}},
     "The active data connection never arrived; switching to passive mode.",
     DataMode::Passive,
     kNoReply,
     1,
     0},
};

TEST(DataOpening, FallsBackToTheOtherModeWhereTheServerCannotWorkInThisOne) {
    for (const FallbackCase& row : kCases) {
        SCOPED_TRACE(row.name);
        ScriptedFtpServer server;
        server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", "213 4\r\n");
        for (const Step& step : row.transferReplies) server.Expect(step.verb, step.reply);

        LogQueue log;
        std::atomic<int> connected{1};
        ControlChannel control{log, connected};
        net::SocketAddress localAddress;
        net::SocketAddress dataPeer;
        ConnectionProtection protection{control};
        Login login{control, connected, localAddress, dataPeer, protection};
        ConnectionSettings settings;
        settings.timeoutSeconds = 5;
        settings.dataMode = row.mode;
        settings.keepModificationTimes = false;
        login.Configure(settings);
        control.Adopt(login.ConnectSocket(server.HostText(), "ftp", "tcp"));
        ASSERT_EQ(control.ReadReply(), kComplete);

        TransferStatus status;
        ScriptedOpener active;
        active.prepared = row.active;
        active.failure = row.activeFailure;
        ScriptedOpener passive;
        passive.prepared = row.passive;
        FileTransfer transfers{control, login, connected, status, active, passive, protection};
        transfers.ForgetServer();
        TempDir dir;
        const std::filesystem::path local = dir / "f";
        transfers.Prepare(
            TransferRequest::ForFile(TransferRequest::Direction::Download, "f", local.string(), 'I'));

        EXPECT_EQ(transfers.Retrieve().result, row.result);
        EXPECT_EQ(transfers.DataModeInUse(), row.modeAfter);
        EXPECT_EQ(active.prepares, row.activePrepares);
        EXPECT_EQ(passive.prepares, row.passivePrepares);
        const std::deque<std::string> lines = log.TakeAll();
        EXPECT_NE(std::find(lines.begin(), lines.end(), row.switchLine), lines.end());
        EXPECT_EQ(server.PendingSteps(), 0u);
        EXPECT_TRUE(server.Mismatches().empty());
        if (row.result == kComplete) {
            EXPECT_EQ(TempDir::ReadFile(local), "data");
        } else {
            EXPECT_FALSE(std::filesystem::exists(local));
        }
    }
}

}  // namespace
