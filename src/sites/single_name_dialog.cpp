#include "sites/single_name_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "sites/dialog_fields.h"

SingleNameDialog::SingleNameDialog(const QString& title, const QString& text, const QString& label,
                                   QWidget* parent)
    : QDialog(parent), nameEdit(new QLineEdit) {
    setWindowTitle(title);
    auto* explanation = new QLabel(text);
    explanation->setWordWrap(true);
    // The edit holds one line of the catalogue file at most.
    LimitToCatalogueLine(nameEdit, "");

    auto* form = new QFormLayout;
    form->addRow(BuddyLabel(label, nameEdit), nameEdit);
    nameEdit->setAccessibleDescription(text);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &SingleNameDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SingleNameDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void SingleNameDialog::showEvent(QShowEvent* event) {
    nameEdit->setText(name);
    nameEdit->selectAll();
    QDialog::showEvent(event);
}

void SingleNameDialog::accept() {
    name = nameEdit->text();
    QDialog::accept();
}
