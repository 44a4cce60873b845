#pragma once

#include <string>

#include "ftp/engine_events.h"

struct TransferStatus;

// What a session needs from whoever drives it, besides hearing its reports.
// Sessions run by a thread of their own (a connection, a queue worker, the
// command line) use OwnThreadReports, which never waits for a worker; the
// session's worker mode, whose waits go through WaitForWorker, is left only
// for the engine tests and their polling waiter. Every call declared here
// comes from the thread that drives the session, except Beep.
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
