#include "app/keyring_passwords.h"

#include "options/app_settings.h"
#include "platform/desktop/message_seam.h"
#include "sites/store/site_store.h"

namespace {

constexpr int kNotAsked = -1;
constexpr int kInCatalogue = 0;
constexpr int kInKeyring = 1;

}  // namespace

void UseKeyringUnlessDeclined(SiteStore& store, PasswordVault* keyring, const AppSettings& settings) {
    store.SetPasswordVault(settings.passwordsInKeyring == kInCatalogue ? nullptr : keyring);
}

void SettleKeyringPasswords(SiteStore& store, AppSettings& settings, QWidget* parent,
                            const std::function<bool()>& save) {
    if (!store.UsesPasswordVault() || settings.passwordsInKeyring != kNotAsked) return;
    if (store.PasswordsInFile() == 0) {
        settings.passwordsInKeyring = kInKeyring;
        return;
    }
    if (AskYesNo(parent, QStringLiteral("Move the saved passwords into the desktop keyring?"))) {
        settings.passwordsInKeyring = kInKeyring;
        save();
    } else {
        settings.passwordsInKeyring = kInCatalogue;
        store.SetPasswordVault(nullptr);
    }
}
