#include "queue/core/job_progress.h"

void JobProgress::Start(std::int64_t totalBytes, std::int64_t doneBytes, Clock::time_point now) {
    total = totalBytes;
    done = doneBytes;
    rate.Restart(done, now);
}

void JobProgress::Update(std::int64_t expected, std::int64_t doneNow, Clock::time_point now) {
    if (doneNow < 0) return;
    if (expected > 0) total = expected;
    done = doneNow;
    rate.Sample(done, now);
}
