#include "options/firewall_page.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>

#include "platform/desktop/message_seam.h"

namespace {
constexpr int kLowestPort = 0;
constexpr int kHighestPort = 99999;
}  // namespace

FirewallPage::FirewallPage(const AppSettings& settings, QWidget* parent)
    : OptionsPage(
          QStringLiteral("security-high"),
          QStringLiteral("Quillmoor allows you to connect to an outside FTP site through a FireWall. "
                         "These options allow you to enable FireWall Access and choose the FireWall "
                         "type. See your System Administrator for more details."),
          parent),
      enabled(settings.fireWallOn),
      password(settings.firePassword),
      host(settings.fireHost),
      userId(settings.fireUserId),
      port(settings.firePort),
      firewallType(settings.fireMode) {
    enableBox = new QCheckBox(QStringLiteral("&Enable Firewall Access"), this);
    ContentLayout()->addWidget(enableBox);

    auto* form = new QFormLayout;
    hostField = AddTextField(form, QStringLiteral("Proxy &Address : "));
    portField = AddTextField(form, QStringLiteral("&Port :"));
    userField = AddTextField(form, QStringLiteral("User &ID :"));
    passwordField = AddTextField(form, QStringLiteral("Pass&word :"));
    passwordField->setEchoMode(QLineEdit::Password);
    ContentLayout()->addLayout(form);

    typeButtons = AddRadioGroup(QStringLiteral("Firewall Type"),
                                {{"Logon Proxy Then &SITE remote_host", 1},
                                 {"Logon Proxy Then &USER remote_userid@remote_host", 2},
                                 {"USE&R remote_userid@remote_host", 3},
                                 {"&OPEN remote_host", 4}},
                                firewallType);
}

void FirewallPage::Initialise() {
    enableBox->setChecked(enabled != 0);
    hostField->setText(QString::fromStdString(host));
    portField->setText(QString::number(port));
    userField->setText(QString::fromStdString(userId));
    passwordField->setText(QString::fromStdString(password));
    if (QAbstractButton* button = typeButtons->button(firewallType)) button->setChecked(true);
}

QWidget* FirewallPage::Validate() {
    enabled = enableBox->isChecked() ? 1 : 0;
    host = hostField->text().toStdString();
    userId = userField->text().toStdString();
    password = passwordField->text().toStdString();
    int typedPort = 0;
    if (!ReadInteger(portField, typedPort)) return portField;
    if (typedPort < kLowestPort || typedPort > kHighestPort) {
        ShowMessage(
            this,
            QStringLiteral("Please enter an integer between %1 and %2.").arg(kLowestPort).arg(kHighestPort));
        return portField;
    }
    port = typedPort;
    return nullptr;
}

void FirewallPage::CopyFirewallValues(AppSettings& settings) const {
    settings.fireWallOn = enabled;
    settings.fireMode = firewallType;
    settings.firePassword = password;
    settings.firePort = port;
    settings.fireHost = host;
    settings.fireUserId = userId;
}
