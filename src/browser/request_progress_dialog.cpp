#include "browser/request_progress_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "queue/transfer_texts.h"

namespace {

// Bar units: bytes for a file under 1000 bytes, thousands of bytes past
// that, kept within int so that files of any size show a sensible bar.
int InBarUnits(qint64 bytes, qint64 totalBytes) {
    return static_cast<int>(std::min<qint64>(totalBytes < 1000 ? bytes : bytes / 1000, INT_MAX));
}

QString DataSize(qint64 bytes) {
    return QLocale(QLocale::English).formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

std::function<void(RequestProgressDialog&)>& Observer() {
    static std::function<void(RequestProgressDialog&)> observer;
    return observer;
}

}  // namespace

void RequestProgressDialog::SetObserver(std::function<void(RequestProgressDialog&)> observer) {
    Observer() = std::move(observer);
}

QString RequestProgressDialog::Text() const { return textLabel->text(); }

RequestProgressDialog::RequestProgressDialog(const QString& title, const QString& text, QWidget* parent)
    : QDialog(parent), upload(text.startsWith(QStringLiteral("Sending "))) {
    setWindowTitle(title);
    setModal(false);
    textLabel = new QLabel(text, this);
    textLabel->setWordWrap(true);
    textLabel->setMinimumWidth(280);
    textLabel->setAccessibleName(title);
    bar = new QProgressBar(this);
    bar->setAccessibleName(QStringLiteral("Progress"));
    bar->setRange(0, 0);  // busy until a size is known
    bar->setTextVisible(false);
    bytesLabel = new QLabel(this);
    bytesLabel->setAccessibleName(QStringLiteral("Bytes transferred"));
    rateLabel = new QLabel(this);
    rateLabel->setAccessibleName(QStringLiteral("Speed and time left"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &RequestProgressDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(textLabel);
    layout->addWidget(bar);
    layout->addWidget(bytesLabel);
    layout->addWidget(rateLabel);
    layout->addWidget(buttons);
    QTimer::singleShot(kShowAfterMs, this, [this] { show(); });
}

bool RequestProgressDialog::Announce() {
    if (Observer()) Observer()(*this);
    return !cancelled;
}

void RequestProgressDialog::ShowProgress(qint64 doneBytes, qint64 totalBytes) {
    if (!rateStarted) {
        rateStarted = true;
        rate.Restart(doneBytes, clock());
    } else {
        rate.Sample(doneBytes, clock());
        rateLabel->setText(SpeedAndTimeLeftText(rate.BytesPerSecond(), rate.SecondsLeft(totalBytes)));
    }
    if (totalBytes <= 0) {
        if (doneBytes <= 0) return;
        bar->setRange(0, 0);  // running, share unknown
        bytesLabel->setText(DataSize(doneBytes) + (upload ? QStringLiteral(" sent") : QStringLiteral(" received")));
        return;
    }
    bar->setRange(0, InBarUnits(totalBytes, totalBytes));
    bar->setValue(InBarUnits(doneBytes, totalBytes));
    bytesLabel->setText(DataSize(doneBytes) + QStringLiteral(" of ") + DataSize(totalBytes));
}

QString RequestProgressDialog::BytesText() const { return bytesLabel->text(); }

QString RequestProgressDialog::RateText() const { return rateLabel->text(); }

void RequestProgressDialog::reject() {
    cancelled = true;
    emit cancelRequested();
    hide();
}
