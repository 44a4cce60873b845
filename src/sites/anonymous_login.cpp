#include "sites/anonymous_login.h"

#include <QCheckBox>
#include <QLineEdit>

AnonymousLogin::AnonymousLogin(QCheckBox* box, QLineEdit* userId, QLineEdit* password, QString email)
    : QObject(box), box(box), userId(userId), password(password), email(std::move(email)) {
    // Only the user's clicks run the rule, not the dialog showing its fields.
    connect(box, &QCheckBox::clicked, this, [this](bool checked) { Apply(checked, true); });
}

void AnonymousLogin::ApplyOnOpen() { Apply(box->isChecked(), false); }

void AnonymousLogin::Apply(bool anonymous, bool clearWhenOff) {
    if (anonymous) {
        userId->setText(QStringLiteral("anonymous"));
        password->setText(email);
        password->setEchoMode(QLineEdit::Normal);
        return;
    }
    if (clearWhenOff) {
        userId->clear();
        password->clear();
    }
    password->setEchoMode(QLineEdit::Password);
}
