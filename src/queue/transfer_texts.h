#pragma once

#include <QString>
#include <cstdint>

#include "queue/core/transfer_job.h"

// The words and figures the transfer queue shows for a job.
QString DirectionText(TransferDirection direction);
QString StateText(JobState state);
// "1.5 MB"; empty when the size is unknown (negative).
QString ByteCountText(std::int64_t bytes);
// "1.5 MB/s" (powers of 1000, as speeds are given); empty for no speed (0 or
// less, or not a number).
QString SpeedText(double bytesPerSecond);
// "4:05", "1:02:03"; empty when unknown (negative).
QString TimeLeftText(std::int64_t seconds);
// The line under a progress bar: "1.2 MB/s, 0:42 left", whichever of the two
// is known, or empty.
QString SpeedAndTimeLeftText(double bytesPerSecond, std::int64_t secondsLeft);
// Whole percent done, 0..100; -1 when the total is unknown.
int PercentDone(std::int64_t doneBytes, std::int64_t totalBytes);
