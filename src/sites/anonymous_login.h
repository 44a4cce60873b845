#pragma once

#include <QObject>
#include <QString>

class QCheckBox;
class QLineEdit;

// The anonymous-login rule shared by the connection and Properties dialogs:
// the check box fills in "anonymous" and the e-mail address (shown in clear),
// clearing it empties both and masks the password again.
class AnonymousLogin : public QObject {
    Q_OBJECT

public:
    AnonymousLogin(QCheckBox* box, QLineEdit* userId, QLineEdit* password, QString email);

    // The state when a dialog opens, after its fields were shown.
    void ApplyOnOpen();

private:
    void Apply(bool anonymous, bool clearWhenOff);

    QCheckBox* box;
    QLineEdit* userId;
    QLineEdit* password;
    QString email;
};
