#include "queue/core/queue_watch.h"

QueueWatch::QueueWatch(TransferQueue& queue) : queue(queue) { queue.SetListener(this); }

QueueWatch::~QueueWatch() { queue.SetListener(nullptr); }

bool QueueWatch::WaitFor(const std::function<bool(const TransferQueue&)>& condition,
                         std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        // A change made while the condition is read is counted, so it is not missed.
        const std::uint64_t seen = changes;
        guard.unlock();
        if (condition(queue)) return true;
        guard.lock();
        if (!wake.wait_until(guard, deadline, [&] { return changes != seen; })) return false;
    }
}

bool QueueWatch::Idle(const TransferQueue& queue) {
    for (const TransferJob& job : queue.Jobs()) {
        if (job.state == JobState::Queued || job.state == JobState::Running) return false;
    }
    return true;
}

void QueueWatch::JobChanged(std::uint64_t) { Poke(); }

void QueueWatch::JobsAddedOrRemoved() { Poke(); }

void QueueWatch::Poke() {
    {
        std::lock_guard<std::mutex> guard(lock);
        ++changes;
    }
    wake.notify_all();
}
