#pragma once

#include <functional>

#include "app/worker_wait_dialog.h"
#include "queue/core/transfer_rate.h"

class QProgressBar;

// "File Transfer Status": shown while a file is downloaded or uploaded, with a
// bar in thousands of bytes once the size is known and the bytes done beside
// it. Without a size (a server that announces none) the bar only shows that
// the transfer is running and the count of bytes tells how far it has got.
// Below them the speed over the last seconds and the time left at that speed.
class TransferStatusDialog : public WorkerWaitDialog {
    Q_OBJECT

public:
    TransferStatusDialog(TransferStatus& status, const QString& text, QWidget* parent = nullptr);

    QProgressBar* Bar() const { return bar; }
    QLabel* BytesLabel() const { return bytesLabel; }
    QLabel* RateLabel() const { return rateLabel; }

    // The clock the speed is measured by (tests set their own).
    using Clock = std::function<TransferRate::Clock::time_point()>;
    void SetClock(Clock newClock) { clock = std::move(newClock); }

protected:
    void ShowProgress(TransferStatus& status) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowRate(const TransferStatus& status);

    QProgressBar* bar;
    QLabel* bytesLabel;
    QLabel* rateLabel;
    TransferRate rate;
    Clock clock = [] { return TransferRate::Clock::now(); };
    bool rateStarted = false;
    bool upload;
    bool rangeSet = false;
};
