#include "app/progress_poll_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ftp/transfer_status.h"

ProgressPollDialog::ProgressPollDialog(TransferStatus& statusToWatch, const QString& title,
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

    pollTimer.setInterval(kPollMilliseconds);
    connect(&pollTimer, &QTimer::timeout, this, &ProgressPollDialog::Poll);
}

void ProgressPollDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!pollTimer.isActive() && !closing) pollTimer.start();
}

void ProgressPollDialog::Poll() {
    int busy;
    {
        TransferStatusLock lock(status);
        busy = status.busy;
    }
    if (!busy && !closing) {
        closing = true;
        pollTimer.stop();
        accept();
        return;
    }
    TransferStatusLock lock(status);
    ShowProgress(status);
}
