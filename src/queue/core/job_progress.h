#pragma once

#include <cstdint>

#include "queue/core/transfer_rate.h"

// Turns the session's per-file byte counters into the progress of one job.
// A directory job runs one file after another, each counting from zero, so
// the counts of the files before the current one are added up here.
class JobProgress {
public:
    using Clock = TransferRate::Clock;

    // A new run of a job: totalBytes is what the job knows of its size (-1:
    // unknown), doneBytes what earlier runs transferred.
    void Start(bool wholeTree, std::int64_t totalBytes, std::int64_t doneBytes, Clock::time_point now);
    // One reading of the running transfer's counters; expected is 0 while
    // the file's size is not known.
    void Update(std::int64_t expected, std::int64_t done, Clock::time_point now);

    std::int64_t DoneBytes() const { return finishedFiles + currentFile; }
    std::int64_t TotalBytes() const { return total; }
    double BytesPerSecond() const { return rate.BytesPerSecond(); }
    std::int64_t SecondsLeft() const { return rate.SecondsLeft(total); }

private:
    bool tree = false;
    std::int64_t total = -1;
    std::int64_t finishedFiles = 0;  // a tree: the bytes of the files done before the current one
    std::int64_t currentFile = 0;
    TransferRate rate;
};
