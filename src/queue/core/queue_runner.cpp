#include "queue/core/queue_runner.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "queue/core/queue_worker.h"

// The threads and their workers. A thread takes the next queued job, runs it
// on its worker and looks again; with nothing queued it sleeps until the
// queue says that jobs wait. Threads beyond the wanted number end after
// their current job.
class QueueRunner::Impl : public TransferQueue::Runner {
public:
    Impl(TransferQueue& queue, SettingsLookup settingsFor, int connections)
        : queue(queue), settingsFor(std::move(settingsFor)), wanted(Bounded(connections)) {}
    ~Impl() override { Stop(); }

    void SetConnections(int n) {
        std::lock_guard<std::mutex> guard(lock);
        wanted = Bounded(n);
        if (running) StartThreads();
        wake.notify_all();
    }

    void Start() {
        {
            std::lock_guard<std::mutex> guard(lock);
            if (running) return;
            running = true;
            StartThreads();
        }
        queue.SetRunner(this);
    }

    void Stop() {
        queue.SetRunner(nullptr);
        std::vector<std::unique_ptr<Slot>> stopping;
        {
            std::lock_guard<std::mutex> guard(lock);
            running = false;
            stopping.swap(slots);
            for (auto& slot : stopping) slot->worker.Interrupt();
            wake.notify_all();
        }
        for (auto& slot : stopping) {
            if (slot->thread.joinable()) slot->thread.join();
        }
    }

    LogQueue& Log() { return log; }
    TargetQuestions& Questions() { return questions; }

    void SetRetryPolicy(const RetryPolicy& policy) {
        std::lock_guard<std::mutex> guard(lock);
        retryPolicy = policy;
    }

    void SetReconnectPolicy(const RetryPolicy& policy) {
        std::lock_guard<std::mutex> guard(lock);
        reconnectPolicy = policy;
    }

    // TransferQueue::Runner
    void StopJob(std::uint64_t id) override {
        std::lock_guard<std::mutex> guard(lock);
        for (auto& slot : slots) slot->worker.StopJob(id);
    }
    void JobsWaiting() override {
        {
            std::lock_guard<std::mutex> guard(lock);
            ++generation;
        }
        wake.notify_all();
    }

private:
    struct Slot {
        Slot(TransferQueue& queue, const SettingsLookup& settingsFor, LogQueue& log, TargetQuestions& questions,
             const RetryPolicy& retryPolicy, const RetryPolicy& reconnectPolicy)
            : worker(queue, settingsFor, log, questions, retryPolicy, reconnectPolicy) {}
        QueueWorker worker;
        std::thread thread;
        bool ended = false;  // the thread has left its loop (guarded by the runner's lock)
    };

    static int Bounded(int n) { return std::clamp(n, 1, kMaxConnections); }

    // Under the lock: a thread for each wanted slot that has none. A slot
    // whose thread ended (the number was lowered) is joined and reused.
    void StartThreads() {
        while (static_cast<int>(slots.size()) < wanted) {
            slots.push_back(std::make_unique<Slot>(queue, settingsFor, log, questions, retryPolicy, reconnectPolicy));
        }
        for (int index = 0; index < wanted; ++index) {
            Slot& slot = *slots[static_cast<std::size_t>(index)];
            if (slot.thread.joinable() && !slot.ended) continue;
            if (slot.thread.joinable()) slot.thread.join();
            slot.ended = false;
            slot.thread = std::thread([this, index, &slot] { Work(index, slot); });
        }
    }

    // Jobs are taken without the runner's lock held: taking one tells the
    // queue's listener, which may call back into the queue and so into StopJob.
    void Work(int index, Slot& slot) {
        for (;;) {
            std::uint64_t seen;
            {
                // Deciding to end and saying so under one lock: a raised
                // number then either keeps this thread or starts a new one.
                std::lock_guard<std::mutex> guard(lock);
                if (!running || index >= wanted) {
                    slot.ended = true;
                    break;
                }
                seen = generation;
            }
            if (std::optional<TransferJob> job = queue.TakeNext()) {
                slot.worker.Run(*job);
                continue;
            }
            std::unique_lock<std::mutex> guard(lock);
            wake.wait(guard, [&] { return !running || index >= wanted || generation != seen; });
        }
        // A connection no longer wanted is not kept open while it idles. A new
        // thread for this slot joins this one first, so they never overlap.
        slot.worker.Disconnect();
    }

    TransferQueue& queue;
    const SettingsLookup settingsFor;
    LogQueue log;
    TargetQuestions questions;
    std::mutex lock;
    std::condition_variable wake;
    std::vector<std::unique_ptr<Slot>> slots;
    int wanted;
    RetryPolicy retryPolicy;
    RetryPolicy reconnectPolicy{5, std::chrono::seconds(1), std::chrono::seconds(16)};
    bool running = false;
    std::uint64_t generation = 0;  // counts the queue's "jobs wait" calls
};

QueueRunner::QueueRunner(TransferQueue& queue, SettingsLookup settingsFor, int connections)
    : impl(std::make_unique<Impl>(queue, std::move(settingsFor), connections)) {}

QueueRunner::~QueueRunner() { impl->Stop(); }

void QueueRunner::SetConnections(int n) { impl->SetConnections(n); }

void QueueRunner::SetRetryPolicy(const RetryPolicy& policy) { impl->SetRetryPolicy(policy); }

void QueueRunner::SetReconnectPolicy(const RetryPolicy& policy) { impl->SetReconnectPolicy(policy); }

void QueueRunner::Start() { impl->Start(); }

void QueueRunner::Stop() { impl->Stop(); }

LogQueue& QueueRunner::Log() { return impl->Log(); }

TargetQuestions& QueueRunner::Questions() { return impl->Questions(); }
