#pragma once

#include <atomic>

// Raises the session's busy count for the lifetime of the guard, so that every
// way out of an operation lowers it again. Release() lowers it early.
class BusyGuard {
public:
    explicit BusyGuard(std::atomic<int>& count) : count(count) { ++count; }
    ~BusyGuard() { Release(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

    void Release() {
        if (held) {
            held = false;
            // CloseAll may have reset the count to 0 meanwhile; never go below.
            int value = count.load();
            while (value > 0 && !count.compare_exchange_weak(value, value - 1)) {
            }
        }
    }

private:
    std::atomic<int>& count;
    bool held = true;
};
