#include "ftp/connection_settings.h"

SettingsOutcome MakeConnectionSettings(const SiteLogin& site, const ConnectionDefaults& defaults,
                                       ConnectionSettings& settings) {
    std::string password = site.password;
    if (site.user == "anonymous" && password.empty()) {
        if (defaults.email.empty()) return SettingsOutcome::AnonymousWithoutEmail;
        password = defaults.email;
    }
    settings = ConnectionSettings();
    settings.host = site.host;
    settings.user = site.user;
    settings.password = password;
    settings.transferMode = defaults.transferMode;
    // Quick connect, like a site left at the default, has no mode of its own.
    settings.dataMode = site.dataMode.value_or(defaults.passive ? DataMode::Passive : DataMode::Active);
    settings.timeoutSeconds = defaults.timeoutSeconds;
    settings.downloadDir = defaults.downloadDir;
    settings.keepModificationTimes = defaults.keepModificationTimes;
    settings.firewall = defaults.firewall;
    settings.encryption = site.encryption;
    settings.trustedFingerprint = site.trustedFingerprint;
    settings.caFile = defaults.caFile;
    settings.listingLimits = defaults.listingLimits;
    return SettingsOutcome::Ready;
}
