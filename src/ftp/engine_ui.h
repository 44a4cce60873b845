#pragma once

#include <string>

#include "ftp/engine_events.h"

struct TransferStatus;

// What the engine needs from the user interface, besides hearing its reports.
// The desktop program implements it with modal Qt dialogs that the reports
// update; the command-line front end and the tests implement it with a
// polling waiter. Every call declared here comes from the user-interface
// thread, except Beep.
class EngineUi : public EngineEvents {
public:
    enum class WaitKind { Connecting, GettingDirectory, TransferStatus };
    enum class WaitResult { Finished, Cancelled };
    enum class BeepKind { Warning, Default };

    virtual ~EngineUi() = default;

    // Waits while a worker runs and returns Finished once status.busy is
    // clear, or Cancelled when the user cancels.
    virtual WaitResult WaitForWorker(WaitKind kind, const std::string& text, TransferStatus& status) = 0;

    // The Transfer Mode question of a 'P' transfer: true to go on, false for Cancel.
    virtual bool AskTransferMode() = 0;

    // A message box the engine itself shows (the upload walk's MKD refusal).
    virtual void ShowMessage(const std::string& text) = 0;

    // May be called from a worker thread; must be cheap and thread-safe.
    virtual void Beep(BeepKind kind) = 0;

    // Asks the main window to repaint after a download; nothing by default.
    virtual void RepaintMainWindow() {}
};
