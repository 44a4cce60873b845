#pragma once

#include "app/progress_poll_dialog.h"

class QProgressBar;

// "File Transfer Status": shown while a file is downloaded or uploaded, with a
// bar in thousands of bytes once the size is known.
class CTransferStatusDlg : public CProgressPollDialog {
    Q_OBJECT

public:
    CTransferStatusDlg(TransferStatus& status, const QString& text, QWidget* parent = nullptr);

    QProgressBar* Bar() const { return bar; }

protected:
    void ShowProgress(TransferStatus& status) override;
    void showEvent(QShowEvent* event) override;

private:
    QProgressBar* bar;
    bool rangeSet = false;
};
