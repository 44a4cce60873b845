#include "support/polling_waiter.h"

#include <poll.h>

#include "ftp/transfer_status.h"

EngineUi::WaitResult PollingWaiter::WaitForWorker(WaitKind kind, const std::string& text,
                                                  TransferStatus& status) {
    // A finish reported by an earlier worker must not end this wait; a finish
    // lost to this reset is still seen at the first tick.
    finishedSignal.Reset();
    using Clock = std::chrono::steady_clock;
    Clock::time_point nextTick = Clock::now() + pollInterval;
    for (;;) {
        pollfd waits[2] = {{cancelSignal.Fd(), POLLIN, 0}, {finishedSignal.Fd(), POLLIN, 0}};
        auto left = std::chrono::ceil<std::chrono::milliseconds>(nextTick - Clock::now());
        int ready = poll(waits, 2, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready > 0 && waits[0].revents != 0) {
            cancelSignal.Reset();
            return WaitResult::Cancelled;
        }
        const bool finishReported = ready > 0 && waits[1].revents != 0;
        if (finishReported) finishedSignal.Reset();
        if (!finishReported && Clock::now() < nextTick) continue;
        if (!finishReported) nextTick += pollInterval;

        std::int64_t expected = 0;
        std::int64_t done = 0;
        {
            TransferStatusLock lock(status);
            if (!status.busy) return WaitResult::Finished;
            expected = status.expectedBytes;
            done = status.doneBytes;
        }
        if (progress && !finishReported) progress(kind, text, expected, done);
    }
}

bool PollingWaiter::AskTransferMode() {
    ++transferModeQuestions;
    return transferModeAnswer;
}

void PollingWaiter::ShowMessage(const std::string& text) {
    std::lock_guard<std::mutex> lock(messagesLock);
    messages.push_back(text);
}

void PollingWaiter::Beep(BeepKind kind) {
    (kind == BeepKind::Warning ? warningBeeps : defaultBeeps).fetch_add(1);
    if (beepSink) beepSink(kind);
}

void PollingWaiter::WorkerFinished() { finishedSignal.Signal(); }

void PollingWaiter::Cancel() { cancelSignal.Signal(); }

int PollingWaiter::Beeps(BeepKind kind) const {
    return (kind == BeepKind::Warning ? warningBeeps : defaultBeeps).load();
}

std::vector<std::string> PollingWaiter::Messages() const {
    std::lock_guard<std::mutex> lock(messagesLock);
    return messages;
}
