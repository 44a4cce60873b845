#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ftp/engine_ui.h"
#include "platform/net/wake_signal.h"

// The user-interface seam for the command-line front end and the tests: waits
// for a worker by polling TransferStatus every 500 ms (and at once when the
// worker reports that it has finished), and can be cancelled from any thread
// or from a signal handler.
class PollingWaiter : public EngineUi {
public:
    // Called at every poll while a worker runs: the kind of wait, the status
    // text, and the byte counters read under the status lock.
    using Progress = std::function<void(WaitKind kind, const std::string& text, std::int64_t expectedBytes,
                                        std::int64_t doneBytes)>;

    WaitResult WaitForWorker(WaitKind kind, const std::string& text, TransferStatus& status) override;
    bool AskTransferMode() override;
    void ShowMessage(const std::string& text) override;
    void Beep(BeepKind kind) override;
    void WorkerFinished() override;

    // Makes the running (or the next) wait end with Cancelled. Async-signal-safe.
    void Cancel();
    // Forgets a cancel that no wait has taken yet (one that came after the
    // wait it was meant for had ended), so that it cannot end the next wait.
    void ClearCancel() { cancelSignal.Reset(); }

    void SetProgress(Progress callback) { progress = std::move(callback); }
    void SetPollInterval(std::chrono::milliseconds interval) { pollInterval = interval; }
    // The answer to the Transfer Mode question (true: go on).
    void SetTransferModeAnswer(bool goOn) { transferModeAnswer = goOn; }
    // Where beeps go (the terminal bell in the command-line front end).
    void SetBeepSink(std::function<void(BeepKind)> sink) { beepSink = std::move(sink); }

    int Beeps(BeepKind kind) const;
    int TransferModeQuestions() const { return transferModeQuestions; }
    std::vector<std::string> Messages() const;

private:
    net::WakeSignal cancelSignal;
    net::WakeSignal finishedSignal;
    std::chrono::milliseconds pollInterval{500};
    Progress progress;
    std::function<void(BeepKind)> beepSink;
    bool transferModeAnswer = true;
    int transferModeQuestions = 0;
    std::atomic<int> warningBeeps{0};
    std::atomic<int> defaultBeeps{0};
    mutable std::mutex messagesLock;
    std::vector<std::string> messages;
};
