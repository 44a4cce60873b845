#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "queue/core/transfer_queue.h"

// Lets a thread without an event loop (a command-line front end, a bench, a
// test) wait until the queue reaches a state: it listens to the queue and
// checks the condition again after every change instead of polling.
class QueueWatch : public TransferQueue::Listener {
public:
    explicit QueueWatch(TransferQueue& queue);  // becomes the queue's listener
    ~QueueWatch() override;                     // and stops being it
    QueueWatch(const QueueWatch&) = delete;
    QueueWatch& operator=(const QueueWatch&) = delete;

    // True once condition holds; false when the limit passed first.
    bool WaitFor(const std::function<bool(const TransferQueue&)>& condition,
                 std::chrono::milliseconds limit = std::chrono::minutes(1));
    // No job is queued or running.
    static bool Idle(const TransferQueue& queue);

    void JobChanged(std::uint64_t id) override;
    void JobsAddedOrRemoved() override;

private:
    void Poke();

    TransferQueue& queue;
    std::mutex lock;
    std::condition_variable wake;
    std::uint64_t changes = 0;
};
