#include "app/desktop_site_dialogs.h"

#include "options/app_settings.h"
#include "sites/session_profile_dialog.h"
#include "sites/site_properties_dialog.h"
#include "sites/catalogue_entries.h"

namespace {

// The login fields both dialogs share, from the profile and back.
void FillLoginFields(LoginFieldsDialog& dialog, const SiteProfile& profile) {
    dialog.host = ToQt(profile.host);
    dialog.userId = ToQt(profile.userId);
    dialog.password = ToQt(profile.password);
    dialog.remoteDir = ToQt(profile.remoteDir);
    dialog.savePassword = profile.savePassword;
    dialog.useFirewall = profile.useFirewall;
    dialog.anonymous = profile.userId == "anonymous";
}

void ReadLoginFields(const LoginFieldsDialog& dialog, SiteProfile& profile) {
    profile.host = FromQt(dialog.host);
    profile.userId = FromQt(dialog.userId);
    profile.password = FromQt(dialog.password);
    profile.remoteDir = FromQt(dialog.remoteDir);
    profile.savePassword = dialog.savePassword;
}

}  // namespace

bool DesktopSiteDialogs::PromptConnection(QWidget* parent, SiteProfile& profile, bool quickConnect) {
    SessionProfileDialog dialog(ToQt(settings.email), parent);
    dialog.helpText = QString::fromUtf8(quickConnect ? kQuickConnectHelp : kSiteConnectHelp);
    FillLoginFields(dialog, profile);
    if (dialog.exec() != QDialog::Accepted) return false;
    ReadLoginFields(dialog, profile);
    return true;
}

SiteDialogs::PropertiesResult DesktopSiteDialogs::EditSiteProperties(QWidget* parent, SiteProfile& profile,
                                                                     QIcon& icon) {
    SitePropertiesDialog dialog(ToQt(settings.email), parent);
    FillLoginFields(dialog, profile);
    dialog.name = ToQt(profile.name);
    dialog.prompt = profile.prompt;
    dialog.dataMode = profile.dataMode;
    dialog.encryption = profile.encryption;
    dialog.tlsFingerprint = ToQt(profile.tlsFingerprint);
    dialog.currentIconSpec = ToQt(profile.icon);
    dialog.currentIcon = icon;
    if (dialog.exec() != QDialog::Accepted) return PropertiesResult::Cancelled;
    ReadLoginFields(dialog, profile);
    profile.name = FromQt(dialog.name);
    profile.prompt = dialog.prompt;
    profile.dataMode = dialog.dataMode;
    profile.encryption = dialog.encryption;
    if (dialog.encryptionChosen) profile.unknownEncryption.clear();
    profile.tlsFingerprint = FromQt(dialog.tlsFingerprint);
    profile.useFirewall = dialog.useFirewall;
    profile.icon = FromQt(dialog.currentIconSpec);
    icon = dialog.currentIcon;
    return dialog.buttonCode == SitePropertiesDialog::kSaveConnect ? PropertiesResult::SavedAndConnect
                                                                   : PropertiesResult::Saved;
}
