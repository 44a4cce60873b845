#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>

#include "ftp/engine_ui.h"

class WorkerWaitDialog;

// The engine's user-interface seam on the desktop: the progress dialogs, the
// Transfer Mode question, message boxes and the beep, all modal over the main
// window. The engine's reports arrive on whichever thread made them and leave
// as queued signals, so their receivers run on the user-interface thread.
class DesktopEngineUi : public QObject, public EngineUi {
    Q_OBJECT

public:
    DesktopEngineUi() = default;

    void SetMainWindow(QWidget* window) { mainWindow = window; }

    // Called with each progress dialog just before it runs (tests use it to
    // watch or drive the dialog).
    void SetDialogObserver(std::function<void(WorkerWaitDialog&)> observer) {
        dialogObserver = std::move(observer);
    }

    WaitResult WaitForWorker(WaitKind kind, const std::string& text, TransferStatus& status) override;
    bool AskTransferMode() override;
    void ShowMessage(const std::string& text) override;
    void Beep(BeepKind kind) override;
    void RepaintMainWindow() override;

    void LogLinesWaiting() override;
    // At most one progress signal waits in the event queue however fast the
    // transfer reports, so a fast transfer cannot flood the queue.
    void ProgressChanged() override;
    void WorkerFinished() override;

signals:
    void logLinesWaiting();
    void progressChanged();
    void workerFinished();

private:
    QPointer<QWidget> mainWindow;
    std::function<void(WorkerWaitDialog&)> dialogObserver;
    std::atomic<bool> progressQueued{false};
};
