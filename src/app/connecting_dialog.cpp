#include "app/connecting_dialog.h"

#include <QBoxLayout>
#include <QProgressBar>

ConnectingDialog::ConnectingDialog(TransferStatus& status, const QString& text, QWidget* parent)
    : WorkerWaitDialog(status, QStringLiteral("Connecting"), text, parent) {
    // A bar without a range is the toolkit's endless busy animation.
    animation = new QProgressBar(this);
    animation->setRange(0, 0);
    animation->setTextVisible(false);
    animation->setAccessibleName(QStringLiteral("Connecting"));
    TextColumn()->insertWidget(0, animation);
}
