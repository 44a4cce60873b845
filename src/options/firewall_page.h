#pragma once

#include <string>

#include "options/options_page.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

// "Firewall": whether and how to log in through a firewall proxy. Its values
// reach AppSettings only when the sheet closes with OK (CopyFirewallValues);
// Apply leaves them alone.
class FirewallPage : public OptionsPage {
    Q_OBJECT

public:
    explicit FirewallPage(const AppSettings& settings, QWidget* parent = nullptr);

    QWidget* Validate() override;
    void Commit(AppSettings&) override {}

    // The page's fields into the settings: the values copied in if the page
    // was never shown, else those last validated.
    void CopyFirewallValues(AppSettings& settings) const;

protected:
    void Initialise() override;

private:
    int enabled;
    std::string password;
    std::string host;
    std::string userId;
    int port;
    int firewallType;

    QCheckBox* enableBox;
    QLineEdit* hostField;
    QLineEdit* portField;
    QLineEdit* userField;
    QLineEdit* passwordField;
    QButtonGroup* typeButtons;
};
