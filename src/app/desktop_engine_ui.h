#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "ftp/engine_ui.h"

class ProgressPollDialog;

// The engine's user-interface seam on the desktop: the progress dialogs, the
// Transfer Mode question, message boxes and the beep, all modal over the main
// window.
class DesktopEngineUi : public EngineUi {
public:
    DesktopEngineUi() = default;

    void SetMainWindow(QWidget* window) { mainWindow = window; }

    // Called with each progress dialog just before it runs (tests use it to
    // watch or drive the dialog).
    void SetDialogObserver(std::function<void(ProgressPollDialog&)> observer) {
        dialogObserver = std::move(observer);
    }

    WaitResult WaitForWorker(WaitKind kind, const std::string& text, TransferStatus& status) override;
    bool AskTransferMode() override;
    void ShowMessage(const std::string& text) override;
    void Beep(BeepKind kind) override;
    void RepaintMainWindow() override;
    // The running dialog looks at once instead of at its next tick, so a short
    // transfer does not keep its dialog up for half a second.
    void WorkerFinished() override;

private:
    QPointer<QWidget> mainWindow;
    std::function<void(ProgressPollDialog&)> dialogObserver;
};
