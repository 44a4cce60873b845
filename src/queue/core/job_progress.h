#pragma once

#include <cstdint>

#include "queue/core/transfer_rate.h"

// Turns the session's byte counters of one file transfer (or of each file of
// a directory job in turn) into the progress of the job: the total once the
// server or the local file tells it, the speed and the time left.
class JobProgress {
public:
    using Clock = TransferRate::Clock;

    // A new run of a job: totalBytes is what the job knows of its size (-1:
    // unknown), doneBytes what earlier runs transferred.
    void Start(std::int64_t totalBytes, std::int64_t doneBytes, Clock::time_point now);
    // A directory job: the next file's counters count on from base (what the
    // files before it brought), and the job's total stays the tree's.
    void BeginFile(std::int64_t base);
    // One reading of the running transfer's counters; expected is 0 while
    // the file's size is not known.
    void Update(std::int64_t expected, std::int64_t done, Clock::time_point now);

    std::int64_t DoneBytes() const { return done; }
    std::int64_t TotalBytes() const { return total; }
    double BytesPerSecond() const { return rate.BytesPerSecond(); }
    std::int64_t SecondsLeft() const { return rate.SecondsLeft(total); }

private:
    std::int64_t total = -1;
    std::int64_t done = 0;
    bool tree = false;
    std::int64_t fileBase = 0;
    TransferRate rate;
};
