#include "browser/transfer_mode_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

TransferModeDialog::TransferModeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Transfer Mode"));
    auto* box = new QGroupBox(QStringLiteral("Transfer Mode"), this);
    auto* boxLayout = new QVBoxLayout(box);
    modeButtons = new QButtonGroup(this);
    for (const char* label : {"Auto Detect", "Binary", "ASCII"}) {
        auto* button = new QRadioButton(QString::fromLatin1(label), box);
        modeButtons->addButton(button);
        boxLayout->addWidget(button);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(buttons);
}

bool AskTransferMode(QWidget* parent) {
    TransferModeDialog dialog(parent);
    return dialog.exec() == QDialog::Accepted;
}
