#include "ftp/log_queue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "ftp/bounded_text.h"
#include "ftp/transfer_status.h"
#include "support/session_harness.h"

namespace {

TEST(LogQueue, LinesWaitForTheSinkAndDrainOldestFirst) {
    LogQueue queue;
    queue.Append("first");
    queue.Append("second");
    queue.Drain();  // no log window yet: nothing is lost
    EXPECT_EQ(queue.Size(), 2u);

    std::vector<std::string> shown;
    queue.SetSink([&](const std::string& line) { shown.push_back(line); });
    queue.Drain();
    EXPECT_EQ(shown, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(queue.Size(), 0u);
}

TEST(LogQueue, LinesFromTwoThreadsKeepTheOrderOfAppending) {
    LogQueue queue;
    std::vector<std::string> shown;
    queue.SetSink([&](const std::string& line) { shown.push_back(line); });
    std::thread worker([&] {
        for (int i = 0; i < 500; ++i) queue.Append("worker " + std::to_string(i));
    });
    for (int i = 0; i < 500; ++i) {
        queue.Append("ui " + std::to_string(i));
        if (i % 50 == 0) queue.Drain();
    }
    worker.join();
    queue.Drain();
    ASSERT_EQ(shown.size(), 1000u);
    int nextWorker = 0, nextUi = 0;
    for (const std::string& line : shown) {
        if (line.rfind("worker ", 0) == 0) {
            EXPECT_EQ(line, "worker " + std::to_string(nextWorker++));
        } else {
            EXPECT_EQ(line, "ui " + std::to_string(nextUi++));
        }
    }
}

TEST(LogQueue, TheWakeUpComesWhenALineArrivesInAnEmptyQueue) {
    LogQueue queue;
    int wakes = 0;
    queue.SetWakeUp([&] {
        ++wakes;
        queue.Size();  // called outside the lock: the queue may be used from it
    });
    queue.Append("first");
    queue.Append("second");  // the drainer has been told already
    EXPECT_EQ(wakes, 1);
    queue.TakeAll();
    queue.Append("third");
    EXPECT_EQ(wakes, 2);
    queue.SetWakeUp({});
    queue.TakeAll();
    queue.Append("fourth");
    EXPECT_EQ(wakes, 2);
}

TEST(TransferStatus, TheLockCanBeTakenTwiceByOneThread) {
    TransferStatus status;
    TransferStatusLock outer(status);
    TransferStatusLock inner(status);
    status.busy = 1;
    EXPECT_EQ(status.busy, 1);
}

TEST(LogF, LongLinesAreCutAt263CharactersWithoutSplittingACharacter) {
    testsupport::SessionHarness harness;
    harness.session.Control().LogF("%s", std::string(400, 'x').c_str());
    // 262 ASCII bytes and a two-byte character that would end past the limit.
    harness.session.Control().LogF("%s\xC3\xA9tail", std::string(262, 'y').c_str());
    ASSERT_EQ(harness.Lines().size(), 2u);
    EXPECT_EQ(harness.lines[0], std::string(263, 'x'));
    EXPECT_EQ(harness.lines[1], std::string(262, 'y'));
    EXPECT_EQ(CutToCapacity("ab\xC3\xA9", 4), "ab\xC3\xA9");
    EXPECT_EQ(CutToCapacity("ab\xC3\xA9", 3), "ab");
}

TEST(LogF, AStoppedSessionLogsNothingUntilTheStopIsCleared) {
    testsupport::SessionHarness harness;
    harness.session.Control().RequestStop();
    harness.session.Control().LogF("hidden");
    harness.session.Control().LogSocketError("Recv", 10054);
    harness.session.Control().ClearStop();
    harness.session.Control().LogF("shown");
    EXPECT_EQ(harness.Lines(), (std::vector<std::string>{"shown"}));
}

TEST(LogStatistics, VerbsAndRates) {
    testsupport::SessionHarness harness;
    harness.session.Control().LogStatistics("Transmit", 1000, 4);
    harness.session.Control().LogStatistics("Receiv", 777, 0);
    harness.session.Control().LogStatistics("Receiv", 10, 3);
    EXPECT_EQ(harness.Lines(), (std::vector<std::string>{
                                   "Transmited 1000 characters in 4 seconds (250 bytes/sec)",
                                   "Received 777 characters in 0 seconds (777 bytes/sec)",
                                   "Received 10 characters in 3 seconds (3 bytes/sec)",
                               }));
}

}  // namespace
