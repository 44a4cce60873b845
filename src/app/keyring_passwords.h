#pragma once

#include <functional>

struct AppSettings;
class PasswordVault;
class QWidget;
class SiteStore;

// Where the site passwords are kept for this run, settled at start-up: in the
// desktop keyring when there is one and the user has not declined it, in the
// catalogue file otherwise (as without a keyring).

// Before the catalogue is loaded: hands the keyring (null: none) to the
// store unless the user chose to keep the passwords in the catalogue.
void UseKeyringUnlessDeclined(SiteStore& store, PasswordVault* keyring, const AppSettings& settings);

// Once it is loaded: the first time the catalogue holds passwords while the
// keyring is there, asks whether to move them; Yes moves them at once (save
// writes the catalogue), No keeps them, and either answer is remembered. A
// catalogue without passwords takes the keyring without a question.
void SettleKeyringPasswords(SiteStore& store, AppSettings& settings, QWidget* parent,
                            const std::function<bool()>& save);
