#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "ftp/reply_class.h"

// Shared between a worker thread and the progress dialog that polls it.
// busy, result, expectedBytes, totalKnown and doneBytes are read and written
// under Lock(); stopWalk asks a running directory walk to stop after the
// current entry.
//
// totalKnown tells whether expectedBytes is the size of the running transfer
// (from SIZE, the 150 reply or the local file): while it is false,
// expectedBytes is 0 and only doneBytes means anything. A cancelled transfer
// leaves result at kAborted.
struct TransferStatus {
    void Lock() { mutex.lock(); }
    void Unlock() { mutex.unlock(); }

    int busy = 0;
    ReplyClass result = kNoReply;
    std::int64_t expectedBytes = 0;
    bool totalKnown = false;
    std::int64_t doneBytes = 0;
    std::atomic<int> stopWalk{0};

    std::recursive_mutex mutex;
};

// Scoped holder of the TransferStatus lock.
class TransferStatusLock {
public:
    explicit TransferStatusLock(TransferStatus& s) : status(s) { status.Lock(); }
    ~TransferStatusLock() { status.Unlock(); }
    TransferStatusLock(const TransferStatusLock&) = delete;
    TransferStatusLock& operator=(const TransferStatusLock&) = delete;

private:
    TransferStatus& status;
};
