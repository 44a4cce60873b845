#include "app/get_directory_dialog.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

#include "platform/desktop/app_icons.h"

GetDirectoryDialog::GetDirectoryDialog(TransferStatus& status, const QString& text, QWidget* parent)
    : WorkerWaitDialog(status, QStringLiteral("Getting Directory"), text, parent) {
    auto* picture = new QLabel(this);
    picture->setPixmap(
        ThemedIcon(QStringLiteral("folder-remote"), QStringLiteral("up-one-level")).pixmap(32, 32));
    BodyLayout()->insertWidget(0, picture);
    QPushButton* cancel = Buttons()->button(QDialogButtonBox::Cancel);
    cancel->setDefault(true);
    cancel->setAutoDefault(true);
}

void GetDirectoryDialog::showEvent(QShowEvent* event) {
    WorkerWaitDialog::showEvent(event);
    // Paint now so that the dialog is visible before the worker's first report.
    repaint();
}
