#include "app/transfer_status_dialog.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <algorithm>
#include <climits>
#include <cstdint>

#include "ftp/transfer_status.h"
#include "platform/desktop/app_icons.h"
#include "queue/transfer_texts.h"

namespace {

// Bar units: thousands of bytes once a count passes 1000. The result is kept
// within int so that files of any size show a sensible bar.
int InThousands(std::int64_t bytes) {
    return static_cast<int>(std::min<std::int64_t>(bytes / 1000, INT_MAX));
}

QString DataSize(std::int64_t bytes) {
    return QLocale(QLocale::English).formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

}  // namespace

TransferStatusDialog::TransferStatusDialog(TransferStatus& status, const QString& text, QWidget* parent)
    : WorkerWaitDialog(status, QStringLiteral("File Transfer Status"), text, parent),
      // The engine's status text says which way the file goes.
      upload(text.startsWith(QStringLiteral("Sending "))) {
    auto* picture = new QLabel(this);
    picture->setPixmap(
        ThemedIcon(QStringLiteral("network-transmit-receive"), QStringLiteral("refresh")).pixmap(32, 32));
    BodyLayout()->insertWidget(0, picture);

    bar = new QProgressBar(this);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setAccessibleName(QStringLiteral("Transfer progress"));
    TextColumn()->addWidget(bar);
    bytesLabel = new QLabel(this);
    bytesLabel->setAccessibleName(QStringLiteral("Bytes transferred"));
    TextColumn()->addWidget(bytesLabel);
    rateLabel = new QLabel(this);
    rateLabel->setAccessibleName(QStringLiteral("Speed and time left"));
    TextColumn()->addWidget(rateLabel);
}

void TransferStatusDialog::showEvent(QShowEvent* event) {
    rangeSet = false;
    rateStarted = false;
    rateLabel->clear();
    WorkerWaitDialog::showEvent(event);
    setFocus(Qt::OtherFocusReason);
}

// The first report starts the measure from the bytes it finds (a resumed
// transfer's offset is not speed); later ones are samples.
void TransferStatusDialog::ShowRate(const TransferStatus& status) {
    if (!rateStarted) {
        rateStarted = true;
        rate.Restart(status.doneBytes, clock());
        return;
    }
    rate.Sample(status.doneBytes, clock());
    rateLabel->setText(SpeedAndTimeLeftText(
        rate.BytesPerSecond(), rate.SecondsLeft(status.expectedBytes > 0 ? status.expectedBytes : -1)));
}

void TransferStatusDialog::ShowProgress(TransferStatus& status) {
    ShowRate(status);
    if (status.expectedBytes <= 0) {  // the engine leaves it 0 while totalKnown is false
        if (status.doneBytes <= 0) return;
        bar->setRange(0, 0);  // running, share unknown
        const QString direction = upload ? QStringLiteral(" sent") : QStringLiteral(" received");
        bytesLabel->setText(DataSize(status.doneBytes) + direction);
        return;
    }
    if (!rangeSet) {
        rangeSet = true;
        const std::int64_t expected = status.expectedBytes;
        bar->setRange(0, expected > 1000 ? InThousands(expected)
                                         : static_cast<int>(std::max<std::int64_t>(expected, 0)));
    }
    bar->setValue(status.doneBytes > 1000 ? InThousands(status.doneBytes) : 0);
    bytesLabel->setText(
        QStringLiteral("%1 of %2").arg(DataSize(status.doneBytes), DataSize(status.expectedBytes)));
}
