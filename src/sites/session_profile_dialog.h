#pragma once

#include "sites/login_fields_dialog.h"

class QLabel;

// "Session Profile": asks for host and login just before a connection. The
// caller fills the members, runs the dialog and, on Accepted, copies them back
// into the profile it connects with (never into the catalogue). `useFirewall`
// belongs to a hidden box, `savePassword` to no control at all.
class SessionProfileDialog : public LoginFieldsDialog {
    Q_OBJECT

public:
    explicit SessionProfileDialog(const QString& email, QWidget* parent = nullptr);

    QString helpText;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* helpLabel;
};

// The two explanations the dialog shows: for a Quick Connect, and for a site.
extern const char* const kQuickConnectHelp;
extern const char* const kSiteConnectHelp;
