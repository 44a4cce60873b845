// The waiter that stands in for the progress dialogs in the CLI and tests.
#include "support/polling_waiter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ftp/transfer_status.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

void SetBusy(TransferStatus& status, int busy, std::int64_t done = 0) {
    TransferStatusLock lock(status);
    status.busy = busy;
    status.doneBytes = done;
    status.expectedBytes = 100;
}

TEST(PollingWaiter, LooksFirstAfterHalfASecond) {
    PollingWaiter waiter;
    TransferStatus status;
    const auto start = Clock::now();
    EXPECT_EQ(waiter.WaitForWorker(EngineUi::WaitKind::Connecting, "", status),
              EngineUi::WaitResult::Finished);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 490ms);
    EXPECT_LT(waited, 900ms);
}

TEST(PollingWaiter, ReportsProgressAtEachPollAndEndsWhenTheWorkerSaysSo) {
    PollingWaiter waiter;
    waiter.SetPollInterval(20ms);
    TransferStatus status;
    SetBusy(status, 1);
    std::vector<std::int64_t> seen;
    waiter.SetProgress(
        [&](EngineUi::WaitKind kind, const std::string& text, std::int64_t expected, std::int64_t done) {
            EXPECT_EQ(kind, EngineUi::WaitKind::TransferStatus);
            EXPECT_EQ(text, "Sending x To h");
            EXPECT_EQ(expected, 100);
            seen.push_back(done);
        });
    std::thread worker([&] {
        std::this_thread::sleep_for(120ms);
        SetBusy(status, 1, 60);
        std::this_thread::sleep_for(120ms);
        SetBusy(status, 0, 100);
        waiter.WorkerFinished();
    });
    EXPECT_EQ(waiter.WaitForWorker(EngineUi::WaitKind::TransferStatus, "Sending x To h", status),
              EngineUi::WaitResult::Finished);
    worker.join();
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 60);
}

TEST(PollingWaiter, CancelEndsTheWaitAtOnceAndOnlyThatWait) {
    PollingWaiter waiter;
    TransferStatus status;
    SetBusy(status, 1);
    std::thread presser([&] {
        std::this_thread::sleep_for(100ms);
        waiter.Cancel();
    });
    const auto start = Clock::now();
    EXPECT_EQ(waiter.WaitForWorker(EngineUi::WaitKind::GettingDirectory, "", status),
              EngineUi::WaitResult::Cancelled);
    EXPECT_LT(Clock::now() - start, 400ms);
    presser.join();

    SetBusy(status, 0);
    EXPECT_EQ(waiter.WaitForWorker(EngineUi::WaitKind::GettingDirectory, "", status),
              EngineUi::WaitResult::Finished);
}

TEST(PollingWaiter, AFinishReportedByAnEarlierWorkerDoesNotEndTheNextWait) {
    PollingWaiter waiter;
    waiter.SetPollInterval(100ms);
    TransferStatus status;
    waiter.WorkerFinished();  // left over from a worker nobody waited for
    SetBusy(status, 1);
    std::thread worker([&] {
        std::this_thread::sleep_for(250ms);
        SetBusy(status, 0);
    });
    const auto start = Clock::now();
    EXPECT_EQ(waiter.WaitForWorker(EngineUi::WaitKind::TransferStatus, "", status),
              EngineUi::WaitResult::Finished);
    EXPECT_GE(Clock::now() - start, 240ms);
    worker.join();
}

}  // namespace
