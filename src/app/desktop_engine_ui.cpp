#include "app/desktop_engine_ui.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <memory>

#include "app/connecting_dialog.h"
#include "app/get_directory_dialog.h"
#include "app/transfer_mode_dialog.h"
#include "app/transfer_status_dialog.h"
#include "platform/desktop/message_seam.h"

EngineUi::WaitResult DesktopEngineUi::WaitForWorker(WaitKind kind, const std::string& text,
                                                    TransferStatus& status) {
    const QString shown = QString::fromLocal8Bit(text);
    std::unique_ptr<WorkerWaitDialog> dialog;
    switch (kind) {
        case WaitKind::Connecting:
            dialog = std::make_unique<ConnectingDialog>(status, shown, mainWindow);
            break;
        case WaitKind::GettingDirectory:
            dialog = std::make_unique<GetDirectoryDialog>(status, shown, mainWindow);
            break;
        case WaitKind::TransferStatus:
            dialog = std::make_unique<TransferStatusDialog>(status, shown, mainWindow);
            break;
    }
    // Both reports arrive inside the dialog's own loop; the connections end
    // with the dialog.
    connect(this, &DesktopEngineUi::progressChanged, dialog.get(), &WorkerWaitDialog::Refresh);
    connect(this, &DesktopEngineUi::workerFinished, dialog.get(), &WorkerWaitDialog::Refresh);
    if (dialogObserver) dialogObserver(*dialog);
    const bool finished = dialog->exec() == QDialog::Accepted;
    return finished ? WaitResult::Finished : WaitResult::Cancelled;
}

// The reports below run on any thread. Each queues a call on this object's
// (the user-interface) thread that emits the signal there; the queued calls
// own nothing, since Qt may free them on either thread.

void DesktopEngineUi::LogLinesWaiting() {
    QMetaObject::invokeMethod(this, &DesktopEngineUi::logLinesWaiting, Qt::QueuedConnection);
}

void DesktopEngineUi::ProgressChanged() {
    if (progressQueued.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            progressQueued = false;  // cleared first: a report from now on queues again
            emit progressChanged();
        },
        Qt::QueuedConnection);
}

void DesktopEngineUi::WorkerFinished() {
    QMetaObject::invokeMethod(this, &DesktopEngineUi::workerFinished, Qt::QueuedConnection);
}

bool DesktopEngineUi::AskTransferMode() {
    TransferModeDialog dialog(mainWindow);
    return dialog.exec() == QDialog::Accepted;
}

void DesktopEngineUi::ShowMessage(const std::string& text) {
    ::ShowMessage(mainWindow, QString::fromLocal8Bit(text));
}

void DesktopEngineUi::Beep(BeepKind) {
    // Workers call this too; the beep itself must happen on the user-interface thread.
    if (QCoreApplication* application = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            application, [] { DesktopBeep(); }, Qt::QueuedConnection);
    }
}

void DesktopEngineUi::RepaintMainWindow() {
    if (mainWindow) mainWindow->repaint();
}
