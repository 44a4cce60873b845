#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

// The speed of one transfer over the last few seconds, and the time it still
// needs at that speed. A sliding window rather than the average since the
// start, so that a stall or a speed-up shows within seconds.
class TransferRate {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kWindow = std::chrono::seconds(5);

    // Forgets every sample and starts again from doneBytes (a new transfer, a
    // resumed one, or a retry that begins again from its partial).
    void Restart(std::int64_t doneBytes, Clock::time_point now);
    // Records how far the transfer has come. A count that goes backwards
    // means the transfer started over: the window restarts from it.
    void Sample(std::int64_t doneBytes, Clock::time_point now);
    double BytesPerSecond() const;                            // 0 until two samples
    std::int64_t SecondsLeft(std::int64_t totalBytes) const;  // -1 when unknown

private:
    struct Point {
        std::int64_t bytes;
        Clock::time_point time;
    };
    std::deque<Point> points;
};
