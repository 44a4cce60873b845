#include "app/worker_wait_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ftp/transfer_status.h"

WorkerWaitDialog::WorkerWaitDialog(TransferStatus& statusToWatch, const QString& title,
                                       const QString& text, QWidget* parent)
    : QDialog(parent), status(statusToWatch) {
    setWindowTitle(title);
    setModal(true);

    textLabel = new QLabel(text, this);
    textLabel->setWordWrap(true);
    textLabel->setMinimumWidth(280);
    textLabel->setAccessibleName(title);

    textColumn = new QVBoxLayout;
    textColumn->addWidget(textLabel);
    body = new QHBoxLayout;
    body->addLayout(textColumn, 1);

    buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
}

void WorkerWaitDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A worker whose end was reported before the dialog was there still
    // closes it, once its loop runs.
    QMetaObject::invokeMethod(this, &WorkerWaitDialog::Refresh, Qt::QueuedConnection);
}

void WorkerWaitDialog::Refresh() {
    int busy;
    {
        TransferStatusLock lock(status);
        busy = status.busy;
    }
    if (!busy) {
        if (!closing) {
            closing = true;
            accept();
        }
        return;
    }
    TransferStatusLock lock(status);
    ShowProgress(status);
}
