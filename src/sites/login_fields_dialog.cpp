#include "sites/login_fields_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>

#include "sites/dialog_fields.h"

LoginFieldsDialog::LoginFieldsDialog(const QString& email, QWidget* parent)
    : QDialog(parent),
      hostEdit(new QLineEdit),
      userIdEdit(new QLineEdit),
      passwordEdit(new QLineEdit),
      remoteDirEdit(new QLineEdit),
      anonymousBox(new QCheckBox(QStringLiteral("Anonymous &Login"))),
      firewallBox(new QCheckBox(QStringLiteral("Use Firewall"))),
      email(email) {
    // Only the user's clicks run the rule, not the dialog showing its fields.
    connect(anonymousBox, &QCheckBox::clicked, this, [this](bool checked) {
        emailShownAtOpening = false;
        ApplyAnonymous(checked, true);
    });
    connect(passwordEdit, &QLineEdit::textEdited, this, [this] { emailShownAtOpening = false; });
}

void LoginFieldsDialog::AddLoginRows(QFormLayout* form) {
    form->addRow(BuddyLabel(QStringLiteral("Host &Name:"), hostEdit), hostEdit);
    form->addRow(BuddyLabel(QStringLiteral("&User ID:"), userIdEdit), userIdEdit);
    form->addRow(BuddyLabel(QStringLiteral("Pass&word:"), passwordEdit), passwordEdit);
}

void LoginFieldsDialog::ShowLoginFields() {
    hostEdit->setText(host);
    userIdEdit->setText(userId);
    passwordEdit->setText(password);
    remoteDirEdit->setText(remoteDir);
    anonymousBox->setChecked(anonymous);
    firewallBox->setChecked(useFirewall);
    storedPassword = password;
    emailShownAtOpening = anonymous;
    ApplyAnonymous(anonymous, false);
}

void LoginFieldsDialog::KeepStoredAnonymousPassword() {
    if (emailShownAtOpening && anonymousBox->isChecked()) password = storedPassword;
}

void LoginFieldsDialog::ReadLoginFields() {
    host = hostEdit->text();
    userId = userIdEdit->text();
    password = passwordEdit->text();
    remoteDir = remoteDirEdit->text();
    anonymous = anonymousBox->isChecked();
    useFirewall = firewallBox->isChecked();
}

QString LoginFieldsDialog::LoginFieldProblem(QLineEdit* extra) const {
    // A line break would split a catalogue line, or end the command carrying it.
    if (extra) return LineBreakProblem({extra, hostEdit, userIdEdit, passwordEdit, remoteDirEdit});
    return LineBreakProblem({hostEdit, userIdEdit, passwordEdit, remoteDirEdit});
}

void LoginFieldsDialog::ApplyAnonymous(bool anonymous, bool clearWhenOff) {
    if (anonymous) {
        userIdEdit->setText(QStringLiteral("anonymous"));
        passwordEdit->setText(email);
        passwordEdit->setEchoMode(QLineEdit::Normal);
        return;
    }
    if (clearWhenOff) {
        userIdEdit->clear();
        passwordEdit->clear();
    }
    passwordEdit->setEchoMode(QLineEdit::Password);
}
