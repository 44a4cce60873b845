#include "app/transfer_status_dlg.h"

#include <QBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <climits>
#include <cstdint>

#include "ftp/transfer_status.h"
#include "platform/desktop/app_icons.h"

namespace {

// Bar units: thousands of bytes once a count passes 1000. The result is kept
// within int so that files of any size show a sensible bar.
int InThousands(std::int64_t bytes) {
    return static_cast<int>(std::min<std::int64_t>(bytes / 1000, INT_MAX));
}

}  // namespace

CTransferStatusDlg::CTransferStatusDlg(TransferStatus& status, const QString& text, QWidget* parent)
    : CProgressPollDialog(status, QStringLiteral("File Transfer Status"), text, parent) {
    auto* picture = new QLabel(this);
    picture->setPixmap(
        ThemedIcon(QStringLiteral("network-transmit-receive"), QStringLiteral("refresh")).pixmap(32, 32));
    BodyLayout()->insertWidget(0, picture);

    bar = new QProgressBar(this);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setAccessibleName(QStringLiteral("Transfer progress"));
    TextColumn()->addWidget(bar);
}

void CTransferStatusDlg::showEvent(QShowEvent* event) {
    rangeSet = false;
    CProgressPollDialog::showEvent(event);
    setFocus(Qt::OtherFocusReason);
}

void CTransferStatusDlg::ShowProgress(TransferStatus& status) {
    if (status.expectedBytes == 0) return;
    if (!rangeSet) {
        rangeSet = true;
        const std::int64_t expected = status.expectedBytes;
        bar->setRange(0, expected > 1000 ? InThousands(expected)
                                         : static_cast<int>(std::max<std::int64_t>(expected, 0)));
    }
    bar->setValue(status.doneBytes > 1000 ? InThousands(status.doneBytes) : 0);
}
