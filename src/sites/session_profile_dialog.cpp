#include "sites/session_profile_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/desktop/message_seam.h"
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

SessionProfileDialog::SessionProfileDialog(const QString& email, QWidget* parent)
    : LoginFieldsDialog(email, parent), helpLabel(new QLabel) {
    setWindowTitle(QStringLiteral("Session Profile"));
    helpLabel->setWordWrap(true);
    // Wide enough for a few words a line; a wrapped label alone would settle
    // for a narrow, tall column.
    helpLabel->setMinimumWidth(helpLabel->fontMetrics().averageCharWidth() * 48);
    firewallBox->hide();

    auto* form = new QFormLayout;
    AddLoginRows(form);
    form->addRow(anonymousBox);
    form->addRow(new QLabel(QStringLiteral("Initial Directory")));
    form->addRow(BuddyLabel(QStringLiteral("Remote H&ost:"), remoteDirEdit), remoteDirEdit);
    remoteDirEdit->setAccessibleName(QStringLiteral("Initial Directory on the Remote Host"));

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("Connect"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &SessionProfileDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SessionProfileDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(helpLabel);
    layout->addLayout(form);
    layout->addWidget(firewallBox);
    layout->addWidget(buttons);
    // The window can never be made smaller than its fields and text need.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

void SessionProfileDialog::showEvent(QShowEvent* event) {
    helpLabel->setText(helpText);
    helpLabel->setAccessibleName(helpText);
    ShowLoginFields();
    // The window took its size before the help text arrived; it grows to
    // hold the text before it appears.
    layout()->activate();
    resize(size().expandedTo(sizeHint()));
    QDialog::showEvent(event);
}

void SessionProfileDialog::accept() {
    ReadLoginFields();
    const QString problem =
        host.isEmpty() ? QStringLiteral("You must provide a host name.") : LoginFieldProblem();
    if (!problem.isEmpty()) {
        DesktopBeep();
        ShowMessage(this, problem);
        return;
    }
    QDialog::accept();
}
