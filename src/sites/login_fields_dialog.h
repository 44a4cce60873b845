#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QFormLayout;
class QLineEdit;

// What the connection dialog and the site Properties dialog share: host, login,
// initial directory and the two check boxes, with the anonymous-login rule (the
// box fills in "anonymous" and the e-mail address shown in clear; clearing it
// empties both and masks the password again).
class LoginFieldsDialog : public QDialog {
    Q_OBJECT

public:
    bool useFirewall = false;
    QString host;
    bool anonymous = false;
    QString password;
    QString remoteDir;
    bool savePassword = false;
    QString userId;

protected:
    // `email` is the e-mail address setting, the anonymous password.
    LoginFieldsDialog(const QString& email, QWidget* parent);

    // Rows for host, user id and password, in that order.
    void AddLoginRows(QFormLayout* form);

    // Members into the controls, then the opening step of the anonymous rule.
    void ShowLoginFields();
    // Controls into the members.
    void ReadLoginFields();
    // After ReadLoginFields: when the password box still shows the e-mail
    // setting the opening step put over an anonymous login's password, the
    // password member gets the stored one back (a saved profile keeps it).
    void KeepStoredAnonymousPassword();
    // "" when no field holds a line break, otherwise the message to show.
    QString LoginFieldProblem(QLineEdit* extra = nullptr) const;

    QLineEdit* hostEdit;
    QLineEdit* userIdEdit;
    QLineEdit* passwordEdit;
    QLineEdit* remoteDirEdit;
    QCheckBox* anonymousBox;
    QCheckBox* firewallBox;

private:
    void ApplyAnonymous(bool anonymous, bool clearWhenOff);

    QString email;
    QString storedPassword;            // the password member when the fields were shown
    bool emailShownAtOpening = false;  // and the e-mail setting is in its place, untouched
};
