#include "sites/session_profile_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/desktop/message_seam.h"
#include "sites/anonymous_login.h"
#include "sites/dialog_fields.h"

const char* const kQuickConnectHelp =
    "This dialog box allows you to quickly connect to the FTP site of your choice. However, please note that "
    "your "
    "entries in this dialog box will not be saved. Use the New Site item on the File menu to add a new FTP "
    "site to "
    "the Group of your choice. Press cancel to exit.";
const char* const kSiteConnectHelp =
    "Enter the user name and password if they are not already entered. If you are anonymously logging in you "
    "can "
    "probably turn off the Prompt check box in the properties for this site.";

CSessionProfileDlg::CSessionProfileDlg(const QString& email, QWidget* parent)
    : QDialog(parent),
      helpLabel(new QLabel),
      hostEdit(new QLineEdit),
      userIdEdit(new QLineEdit),
      passwordEdit(new QLineEdit),
      remoteDirEdit(new QLineEdit),
      anonymousBox(new QCheckBox(QStringLiteral("Anonymous &Login"))),
      firewallBox(new QCheckBox(QStringLiteral("Use Firewall"))),
      anonymousLogin(new AnonymousLogin(anonymousBox, userIdEdit, passwordEdit, email)) {
    setWindowTitle(QStringLiteral("Session Profile"));
    helpLabel->setWordWrap(true);
    firewallBox->hide();

    auto* form = new QFormLayout;
    form->addRow(BuddyLabel(QStringLiteral("Host &Name:"), hostEdit), hostEdit);
    form->addRow(BuddyLabel(QStringLiteral("&User ID:"), userIdEdit), userIdEdit);
    form->addRow(BuddyLabel(QStringLiteral("Pass&word:"), passwordEdit), passwordEdit);
    form->addRow(anonymousBox);
    form->addRow(new QLabel(QStringLiteral("Initial Directory")));
    form->addRow(BuddyLabel(QStringLiteral("Remote H&ost:"), remoteDirEdit), remoteDirEdit);
    remoteDirEdit->setAccessibleName(QStringLiteral("Initial Directory on the Remote Host"));

    auto* buttons = new QDialogButtonBox;
    QPushButton* connectButton = buttons->addButton(QStringLiteral("Connect"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connectButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSessionProfileDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSessionProfileDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(helpLabel);
    layout->addLayout(form);
    layout->addWidget(firewallBox);
    layout->addWidget(buttons);
}

void CSessionProfileDlg::showEvent(QShowEvent* event) {
    helpLabel->setText(helpText);
    helpLabel->setAccessibleName(helpText);
    hostEdit->setText(host);
    userIdEdit->setText(userId);
    passwordEdit->setText(password);
    remoteDirEdit->setText(remoteDir);
    anonymousBox->setChecked(anonymous);
    firewallBox->setChecked(useFirewall);
    anonymousLogin->ApplyOnOpen();
    QDialog::showEvent(event);
}

void CSessionProfileDlg::accept() {
    host = hostEdit->text();
    userId = userIdEdit->text();
    password = passwordEdit->text();
    remoteDir = remoteDirEdit->text();
    anonymous = anonymousBox->isChecked();
    useFirewall = firewallBox->isChecked();
    if (host.isEmpty()) {
        DesktopBeep();
        ShowMessage(this, QStringLiteral("You must provide a host name."));
        return;
    }
    // A line break would end the command that carries the field.
    if (const QString problem = LineBreakProblem({hostEdit, userIdEdit, passwordEdit, remoteDirEdit});
        !problem.isEmpty()) {
        DesktopBeep();
        ShowMessage(this, problem);
        return;
    }
    QDialog::accept();
}
