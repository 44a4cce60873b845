// The queue's state rules, its listener and what it tells the runner.
#include "queue/core/transfer_queue.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

TransferJob FileJob(const std::string& name) {
    TransferJob job;
    job.site = "site";
    job.localPath = "/tmp/" + name;
    job.remotePath = "/pub/" + name;
    return job;
}

// Records what the queue says, and reads the queue back from inside the
// calls: that deadlocks if the queue calls out with its lock held.
class Recorder : public TransferQueue::Listener, public TransferQueue::Runner {
public:
    explicit Recorder(TransferQueue& queue) : queue(queue) {}
    void JobChanged(std::uint64_t id) override {
        changed.push_back(id);
        queue.Job(id);
    }
    void JobsAddedOrRemoved() override { addedOrRemoved.push_back(queue.Jobs().size()); }
    void StopJob(std::uint64_t id) override { stopped.push_back(id); }
    void JobsWaiting() override { ++waiting; }

    TransferQueue& queue;
    std::vector<std::uint64_t> changed;
    std::vector<std::size_t> addedOrRemoved;
    std::vector<std::uint64_t> stopped;
    int waiting = 0;
};

// Brings a new job into a state the way the program would.
void BringTo(TransferQueue& queue, std::uint64_t id, JobState state) {
    switch (state) {
        case JobState::Queued:
            return;
        case JobState::Paused:
            queue.Pause(id);
            return;
        case JobState::Failed:
            queue.Cancel(id);
            return;
        case JobState::Running:
        case JobState::Done:
        case JobState::Verified:
            ASSERT_EQ(queue.TakeNext()->id, id);
            if (state != JobState::Running) queue.Finish(id, state, "");
            return;
    }
}

struct StateRule {
    const char* action;
    std::function<void(TransferQueue&, std::uint64_t)> apply;
    JobState from;
    JobState to;
    bool stopsTransfer;
};

const std::vector<StateRule>& Rules() {
    static const std::vector<StateRule> rules = {
        {"pause", &TransferQueue::Pause, JobState::Queued, JobState::Paused, false},
        {"pause", &TransferQueue::Pause, JobState::Running, JobState::Paused, true},
        {"pause", &TransferQueue::Pause, JobState::Failed, JobState::Failed, false},
        {"pause", &TransferQueue::Pause, JobState::Done, JobState::Done, false},
        {"resume", &TransferQueue::Resume, JobState::Paused, JobState::Queued, false},
        {"resume", &TransferQueue::Resume, JobState::Running, JobState::Running, false},
        {"resume", &TransferQueue::Resume, JobState::Failed, JobState::Failed, false},
        {"cancel", &TransferQueue::Cancel, JobState::Queued, JobState::Failed, false},
        {"cancel", &TransferQueue::Cancel, JobState::Running, JobState::Failed, true},
        {"cancel", &TransferQueue::Cancel, JobState::Paused, JobState::Failed, false},
        {"cancel", &TransferQueue::Cancel, JobState::Verified, JobState::Verified, false},
        {"retry", &TransferQueue::Retry, JobState::Failed, JobState::Queued, false},
        {"retry", &TransferQueue::Retry, JobState::Done, JobState::Done, false},
        {"retry", &TransferQueue::Retry, JobState::Paused, JobState::Paused, false},
    };
    return rules;
}

TEST(TransferQueueTest, StateRules) {
    for (const StateRule& rule : Rules()) {
        TransferQueue queue;
        Recorder recorder(queue);
        const std::uint64_t id = queue.Add(FileJob("a"));
        BringTo(queue, id, rule.from);
        ASSERT_EQ(queue.Job(id)->state, rule.from);
        queue.SetRunner(&recorder);
        rule.apply(queue, id);
        const TransferJob job = *queue.Job(id);
        SCOPED_TRACE(std::string(rule.action) + " from state " + std::to_string(static_cast<int>(rule.from)));
        EXPECT_EQ(job.state, rule.to);
        EXPECT_EQ(recorder.stopped.size(), rule.stopsTransfer ? 1u : 0u);
        if (rule.to == JobState::Failed && rule.from != JobState::Failed) {
            EXPECT_EQ(job.failure, "Cancelled");
        }
        if (rule.to == JobState::Queued) {
            EXPECT_EQ(recorder.waiting, 1) << "the runner must hear that a job waits";
            EXPECT_TRUE(job.failure.empty());
        }
    }
}

TEST(TransferQueueTest, RemoveLeavesRunningJobsAndClearFinishedDropsDoneAndVerified) {
    TransferQueue queue;
    std::vector<std::uint64_t> ids;
    for (JobState state : {JobState::Running, JobState::Done, JobState::Verified, JobState::Failed,
                           JobState::Paused, JobState::Queued}) {
        ids.push_back(queue.Add(FileJob(std::to_string(ids.size()))));
        BringTo(queue, ids.back(), state);
    }
    queue.Remove(ids[0]);
    EXPECT_TRUE(queue.Job(ids[0])) << "a running job is cancelled before it is removed";
    queue.ClearFinished();
    std::vector<JobState> left;
    for (const TransferJob& job : queue.Jobs()) left.push_back(job.state);
    EXPECT_EQ(left, (std::vector<JobState>{JobState::Running, JobState::Failed, JobState::Paused,
                                           JobState::Queued}));
    queue.Remove(ids[4]);
    EXPECT_FALSE(queue.Job(ids[4]));
}

// Two jobs in a queue that tells the recorder everything.
class TwoJobsTest : public ::testing::Test {
protected:
    void SetUp() override {
        queue.SetListener(&recorder);
        queue.SetRunner(&recorder);
        first = queue.Add(FileJob("a"));
        second = queue.Add(FileJob("b"));
    }
    TransferQueue queue;
    Recorder recorder{queue};
    std::uint64_t first = 0;
    std::uint64_t second = 0;
};

TEST_F(TwoJobsTest, ListenerHearsChangesWithoutTheLockHeld) {
    EXPECT_EQ(recorder.addedOrRemoved, (std::vector<std::size_t>{1, 2}));
    queue.Pause(second);
    queue.ReportProgress(first, 10, 20, 5, 2);  // not running: ignored
    EXPECT_EQ(recorder.changed, (std::vector<std::uint64_t>{second}));
    EXPECT_TRUE(recorder.stopped.empty()) << "only a running job has a transfer to stop";
    EXPECT_EQ(queue.Job(first)->doneBytes, 0);
    queue.Remove(first);
    EXPECT_EQ(recorder.addedOrRemoved.back(), 1u);
}

TEST_F(TwoJobsTest, TakeNextGoesInOrderAndNeverHandsOutAJobStillEnding) {
    ASSERT_EQ(queue.TakeNext()->id, first);
    EXPECT_EQ(queue.Job(first)->attempts, 1);

    // Paused and resumed while its transfer is still stopping: the next
    // worker must not start on the same file.
    queue.Pause(first);
    queue.Resume(first);
    EXPECT_EQ(queue.TakeNext()->id, second);
    EXPECT_FALSE(queue.TakeNext());
    const int waitingBefore = recorder.waiting;
    queue.Finish(first, JobState::Failed, "Stopped");
    EXPECT_EQ(queue.Job(first)->state, JobState::Queued) << "a resumed job keeps its state when its run ends";
    EXPECT_EQ(recorder.waiting, waitingBefore + 1);
    EXPECT_EQ(queue.TakeNext()->attempts, 2);

    queue.ReportProgress(second, 10, 40, 5, 6);
    EXPECT_EQ(queue.Job(second)->secondsLeft, 6);
    queue.CountRetry(second, "Attempt 2 after: 421 Too many users");
    EXPECT_EQ(queue.Job(second)->attempts, 2);
    EXPECT_EQ(queue.Job(second)->note, "Attempt 2 after: 421 Too many users");
    queue.Finish(second, JobState::Done, "Skipped: the target exists");
    const TransferJob done = *queue.Job(second);
    EXPECT_EQ(done.note, "Skipped: the target exists");
    EXPECT_TRUE(done.failure.empty());
    EXPECT_EQ(done.bytesPerSecond, 0);
}

}  // namespace
