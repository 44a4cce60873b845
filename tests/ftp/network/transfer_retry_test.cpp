// Transfers tried again after transient failures, against the scripted
// server: continued with REST, logged in again after a 421, not repeated
// after a permanent refusal, and a pause that a stop ends at once.
#include "ftp/transfer_retry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "scripted_transfer_session.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using testsupport::DataLink;
using testsupport::ScriptedConnection;
using testsupport::TempDir;

// Records the pauses asked for instead of waiting them.
class RecordedWait : public RetryWait {
public:
    bool Wait(std::chrono::milliseconds delay) override {
        delays.push_back(delay.count());
        return true;
    }
    std::vector<long> delays;
};

// The download's preliminary reply announces the whole file's 8 bytes.
const std::string kEightBytesComing = "150 Opening BINARY mode data connection (8 bytes).\r\n";

class TransferRetryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(s.LogIn()); }
    TransferOutcome Download(int retries) {
        RetryPolicy policy;
        policy.retries = retries;
        TransferRetry retry(s.session, policy, &wait);
        const TransferOutcome outcome = retry.Run(TransferRetry::Direction::Download, "file.bin", target);
        attempts = retry.Attempts();
        return outcome;
    }
    void ScriptStart(const char* size = "213 8\r\n") {
        s.server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", size).Expect("PORT", "200 ok\r\n");
    }

    testsupport::ScriptedTransferSession s;
    RecordedWait wait;
    TempDir dir;
    std::string target = (dir / "file.bin").string();
    int attempts = 0;
};

TEST_F(TransferRetryTest, BrokenDownloadIsContinuedFromWhatArrived) {
    ScriptStart();
    s.server.Expect("RETR", testsupport::SendDownload("1234", "426 Connection closed; transfer aborted.\r\n",
                                                      kEightBytesComing));
    ScriptStart();
    s.server.Expect("REST", "350 Restarting at 4.\r\n")
        .Expect("RETR", testsupport::SendDownload("5678", "226 Done.\r\n", kEightBytesComing));

    const TransferOutcome outcome = Download(2);
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Completed) << s.harness.Joined();
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(TempDir::ReadFile(target), "12345678");
    EXPECT_EQ(wait.delays, std::vector<long>{1000});
    EXPECT_TRUE(s.harness.HasLine(
        "Retrying file.bin in 1 s (attempt 2 of 3): 426 Connection closed; transfer aborted."))
        << s.harness.Joined();
    EXPECT_FALSE(s.session.Transfer().Resumes()) << "the caller's resume choice comes back";
    EXPECT_TRUE(s.server.Mismatches().empty());
}

TEST_F(TransferRetryTest, ServerThatClosesWith421IsLoggedInAgain) {
    ScriptStart();
    s.server.Expect("RETR", [](ScriptedConnection& connection, const std::string&) {
        connection.Send("421 Too busy, closing control connection.\r\n");
        connection.Close();
    });
    s.server.Expect("USER", "331 Password please.\r\n").Expect("PASS", "230 Logged in.\r\n");
    ScriptStart();
    s.server.Expect("RETR", testsupport::SendDownload("abcdefgh", "226 Done.\r\n", kEightBytesComing));

    const TransferOutcome outcome = Download(3);
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Completed) << s.harness.Joined();
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(TempDir::ReadFile(target), "abcdefgh");
    EXPECT_EQ(s.server.ConnectionCount(), 2);
    EXPECT_TRUE(s.harness.HasLineContaining("Reconnecting to ")) << s.harness.Joined();
    EXPECT_TRUE(s.server.Mismatches().empty());
}

TEST_F(TransferRetryTest, PermanentRefusalIsNotRetriedAndTransientOnesStopAtTheLimit) {
    ScriptStart("550 No such file.\r\n");
    s.server.Expect("RETR", "550 No such file.\r\n");
    TransferOutcome outcome = Download(3);
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Refused);
    EXPECT_EQ(outcome.replyCode, 550);
    EXPECT_EQ(attempts, 1);
    EXPECT_TRUE(wait.delays.empty());

    for (int i = 0; i < 3; ++i) {
        ScriptStart("550 No such file.\r\n");
        s.server.Expect("RETR", "450 File busy.\r\n");
    }
    RetryPolicy policy;
    TransferRetry retry(s.session, policy, &wait);
    std::vector<int> noticed;
    retry.SetRetryNotice([&](int next, const TransferOutcome& last) {
        noticed.push_back(next);
        EXPECT_EQ(last.replyCode, 450);
    });
    outcome = retry.Run(TransferRetry::Direction::Download, "file.bin", target);
    attempts = retry.Attempts();
    EXPECT_EQ(noticed, (std::vector<int>{2, 3}));
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Refused);
    EXPECT_EQ(outcome.reason, "450 File busy.");
    EXPECT_EQ(attempts, 3);
    EXPECT_EQ(wait.delays, (std::vector<long>{1000, 2000}));
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(s.server.Mismatches().empty());
}

// The real pause is on the session's wake descriptor: a stop ends a long
// pause at once and no further attempt is made.
TEST_F(TransferRetryTest, StopDuringThePauseEndsItPromptly) {
    ScriptStart("550 No such file.\r\n");
    s.server.Expect("RETR", "450 File busy.\r\n");
    RetryPolicy policy;
    policy.firstDelay = 30s;
    TransferRetry retry(s.session, policy);
    std::thread stopper([&] {
        std::this_thread::sleep_for(200ms);
        s.session.Control().RequestStop();
    });
    const auto start = std::chrono::steady_clock::now();
    const TransferOutcome outcome = retry.Run(TransferRetry::Direction::Download, "file.bin", target);
    const auto took = std::chrono::steady_clock::now() - start;
    stopper.join();
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Cancelled);
    EXPECT_EQ(retry.Attempts(), 1);
    EXPECT_LT(took, 5s);
    s.session.CancelWorker();
    EXPECT_FALSE(s.session.Control().StopRequested());
}

}  // namespace
