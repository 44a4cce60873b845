#pragma once

#include <string>

struct TransferStatus;

// What the engine needs from the user interface. The desktop program implements
// it with modal Qt dialogs; the command-line front end and the tests implement
// it with a polling waiter. Every call comes from the user-interface thread.
class EngineUi {
public:
    enum class WaitKind { Connecting, GettingDirectory, TransferStatus };
    enum class WaitResult { Finished, Cancelled };
    enum class BeepKind { Warning, Default };

    virtual ~EngineUi() = default;

    // Waits while a worker runs: polls status.busy every 500 ms and returns
    // Finished once it is clear, or Cancelled when the user cancels.
    virtual WaitResult WaitForWorker(WaitKind kind, const std::string& text, TransferStatus& status) = 0;

    // The Transfer Mode question of a 'P' transfer: true to go on, false for Cancel.
    virtual bool AskTransferMode() = 0;

    // A message box the engine itself shows (the upload walk's MKD refusal).
    virtual void ShowMessage(const std::string& text) = 0;

    // May be called from a worker thread; must be cheap and thread-safe.
    virtual void Beep(BeepKind kind) = 0;

    // Asks the main window to repaint after a download; nothing by default.
    virtual void RepaintMainWindow() {}

    // Called on the worker thread right after it has cleared busy, so a waiter
    // may look at once instead of at its next tick. Must be cheap, non-blocking
    // and thread-safe; the object must outlive the worker (the session joins
    // the worker before a transfer call returns). Nothing by default.
    virtual void WorkerFinished() {}
};
