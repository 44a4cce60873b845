#include "app/desktop_engine_ui.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <memory>

#include "app/connecting_dialog.h"
#include "app/get_directory_dialog.h"
#include "app/transfer_mode_dialog.h"
#include "app/transfer_status_dialog.h"
#include "platform/desktop/message_seam.h"

namespace {

// The progress dialog now waiting on a worker; one at a time, since a session
// runs one worker. Read and written on the user-interface thread only.
QPointer<ProgressPollDialog> runningDialog;

void PollRunningDialog() {
    if (runningDialog) runningDialog->Poll();
}

}  // namespace

EngineUi::WaitResult DesktopEngineUi::WaitForWorker(WaitKind kind, const std::string& text,
                                                    TransferStatus& status) {
    const QString shown = QString::fromLocal8Bit(text);
    std::unique_ptr<ProgressPollDialog> dialog;
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
    if (dialogObserver) dialogObserver(*dialog);
    const QPointer<ProgressPollDialog> previous = runningDialog;
    runningDialog = dialog.get();
    const bool finished = dialog->exec() == QDialog::Accepted;
    runningDialog = previous;
    return finished ? WaitResult::Finished : WaitResult::Cancelled;
}

void DesktopEngineUi::WorkerFinished() {
    // On the worker thread: the look itself happens on the user-interface
    // thread, inside the dialog's own loop. The queued call carries no state:
    // Qt may free it on either thread, so it must own nothing the other
    // thread reads.
    if (QCoreApplication* application = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            application, [] { PollRunningDialog(); }, Qt::QueuedConnection);
    }
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
