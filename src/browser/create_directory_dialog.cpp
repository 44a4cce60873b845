#include "browser/create_directory_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/desktop/message_seam.h"

CreateDirectoryDialog::CreateDirectoryDialog(QWidget* parent)
    : QDialog(parent), nameEdit(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Create Directory"));
    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(
        QStringLiteral("Enter the name for the new directory, it will be created in the currently displayed directory. "),
        this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    auto* label = new QLabel(QStringLiteral("Directory &name:"), this);
    label->setBuddy(nameEdit);
    layout->addWidget(label);
    nameEdit->setMaxLength(kMaxNameLength);
    nameEdit->setAccessibleName(QStringLiteral("Directory name:"));
    layout->addWidget(nameEdit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString CreateDirectoryDialog::Name() const { return nameEdit->text(); }

void CreateDirectoryDialog::accept() {
    // The edit already stops typing at the limit; pasted or set text is checked here.
    if (nameEdit->text().size() > kMaxNameLength) {
        ShowMessage(this, QStringLiteral("Please enter no more than %1 characters.").arg(kMaxNameLength));
        return;
    }
    QDialog::accept();
}
