#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <utility>

// Hands values from the threads that make them to the one thread that
// takes them. The wake-up runs when a value arrives in an empty queue, so any
// number of values between two takes cost one wake: the taker takes them all.
template <typename T>
class EventQueue {
public:
    using WakeUp = std::function<void()>;

    // Runs on the appending thread, outside the lock; empty: nobody is woken.
    void SetWakeUp(WakeUp newWakeUp) {
        std::lock_guard<std::mutex> guard(lock);
        wakeUp = std::move(newWakeUp);
    }

    void Append(T value) {
        WakeUp wake;
        {
            std::lock_guard<std::mutex> guard(lock);
            values.push_back(std::move(value));
            if (values.size() == 1) wake = wakeUp;
        }
        if (wake) wake();
    }

    // Everything waiting, oldest first.
    std::deque<T> TakeAll() {
        std::lock_guard<std::mutex> guard(lock);
        std::deque<T> taken;
        taken.swap(values);
        return taken;
    }

private:
    std::mutex lock;
    std::deque<T> values;
    WakeUp wakeUp;
};
