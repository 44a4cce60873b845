#pragma once

#include <QDialog>
#include <QString>

class AnonymousLogin;
class QCheckBox;
class QLabel;
class QLineEdit;

// "Session Profile": asks for host and login just before a connection. The
// caller fills the members, runs the dialog and, on Accepted, copies them back
// into the profile it connects with (never into the catalogue).
class CSessionProfileDlg : public QDialog {
    Q_OBJECT

public:
    // `email` is the e-mail address setting, the anonymous password.
    explicit CSessionProfileDlg(const QString& email, QWidget* parent = nullptr);

    bool useFirewall = false;  // hidden box: read, not used
    QString host;
    bool anonymous = false;
    QString password;
    QString remoteDir;
    bool savePassword = false;  // carried through unchanged
    QString userId;
    QString helpText;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* helpLabel;
    QLineEdit* hostEdit;
    QLineEdit* userIdEdit;
    QLineEdit* passwordEdit;
    QLineEdit* remoteDirEdit;
    QCheckBox* anonymousBox;
    QCheckBox* firewallBox;
    AnonymousLogin* anonymousLogin;
};

// The two explanations the dialog shows: for a Quick Connect, and for a site.
extern const char* const kQuickConnectHelp;
extern const char* const kSiteConnectHelp;
