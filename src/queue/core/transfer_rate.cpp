#include "queue/core/transfer_rate.h"

#include <cmath>

void TransferRate::Restart(std::int64_t doneBytes, Clock::time_point now) {
    points.clear();
    points.push_back({doneBytes, now});
}

void TransferRate::Sample(std::int64_t doneBytes, Clock::time_point now) {
    if (points.empty() || doneBytes < points.back().bytes) {
        Restart(doneBytes, now);
        return;
    }
    // Two samples at one instant (a coarse clock, or progress reported twice)
    // would make a zero time span: keep the later count on the earlier point.
    if (now <= points.back().time) {
        points.back().bytes = doneBytes;
        return;
    }
    points.push_back({doneBytes, now});
    // Keep one point at or before the window's start so that the speed spans
    // the whole window, not just the samples inside it.
    while (points.size() > 2 && points[1].time <= now - kWindow) points.pop_front();
}

double TransferRate::BytesPerSecond() const {
    if (points.size() < 2) return 0;
    double seconds = std::chrono::duration<double>(points.back().time - points.front().time).count();
    if (seconds <= 0) return 0;
    return static_cast<double>(points.back().bytes - points.front().bytes) / seconds;
}

std::int64_t TransferRate::SecondsLeft(std::int64_t totalBytes) const {
    if (totalBytes < 0 || points.empty()) return -1;
    std::int64_t remaining = totalBytes - points.back().bytes;
    if (remaining <= 0) return 0;
    double speed = BytesPerSecond();
    if (speed <= 0) return -1;
    return static_cast<std::int64_t>(std::ceil(static_cast<double>(remaining) / speed));
}
