#include "queue/core/job_progress.h"

void JobProgress::Start(bool wholeTree, std::int64_t totalBytes, std::int64_t doneBytes,
                        Clock::time_point now) {
    tree = wholeTree;
    total = totalBytes;
    // A file transfer counts again from zero (a resumed one from its
    // offset); a tree walk starts over from its first file.
    finishedFiles = 0;
    currentFile = tree ? 0 : doneBytes;
    rate.Restart(DoneBytes(), now);
}

void JobProgress::Update(std::int64_t expected, std::int64_t done, Clock::time_point now) {
    if (done < 0) return;
    if (tree) {
        // The counter fell: the walk has moved on to its next file.
        if (done < currentFile) finishedFiles += currentFile;
    } else if (expected > 0) {
        total = expected;
    }
    currentFile = done;
    rate.Sample(DoneBytes(), now);
}
