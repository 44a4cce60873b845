#pragma once

#include "app/worker_wait_dialog.h"

class QProgressBar;

// "File Transfer Status": shown while a file is downloaded or uploaded, with a
// bar in thousands of bytes once the size is known and the bytes done beside
// it. Without a size (a server that announces none) the bar only shows that
// the transfer is running and the count of bytes tells how far it has got.
class TransferStatusDialog : public WorkerWaitDialog {
    Q_OBJECT

public:
    TransferStatusDialog(TransferStatus& status, const QString& text, QWidget* parent = nullptr);

    QProgressBar* Bar() const { return bar; }
    QLabel* BytesLabel() const { return bytesLabel; }

protected:
    void ShowProgress(TransferStatus& status) override;
    void showEvent(QShowEvent* event) override;

private:
    QProgressBar* bar;
    QLabel* bytesLabel;
    bool upload;
    bool rangeSet = false;
};
