#include "queue/core/job_progress.h"

void JobProgress::Start(std::int64_t totalBytes, std::int64_t doneBytes, Clock::time_point now) {
    total = totalBytes;
    done = doneBytes;
    tree = false;
    fileBase = 0;
    rate.Restart(done, now);
}

void JobProgress::BeginFile(std::int64_t base) {
    tree = true;
    fileBase = base;
}

void JobProgress::Update(std::int64_t expected, std::int64_t doneNow, Clock::time_point now) {
    if (doneNow < 0) return;
    if (!tree && expected > 0) total = expected;
    done = fileBase + doneNow;
    rate.Sample(done, now);
}
