#include "browser/profile_connection.h"

ProfileOutcome ProfileConnectionSettings(const SiteProfile& profile, const AppSettings& settings,
                                         ConnectionSettings& connection) {
    if (!profile.unknownEncryption.empty()) return ProfileOutcome::UnknownEncryption;
    ConnectionDefaults defaults;
    defaults.email = settings.email;
    defaults.transferMode = static_cast<char>(settings.transferMode);
    defaults.passive = settings.passiveMode != 0;
    defaults.timeoutSeconds = settings.retry;
    defaults.downloadDir = settings.defaultDownloadDirectory;
    defaults.keepModificationTimes = settings.keepModificationTimes != 0;
    // Values that make no sense (none at all, or negative) keep the built-in bounds.
    if (settings.listingMostEntries > 0)
        defaults.listingLimits.entries = static_cast<std::size_t>(settings.listingMostEntries);
    if (settings.listingMostMegabytes > 0)
        defaults.listingLimits.bytes = static_cast<std::uint64_t>(settings.listingMostMegabytes) << 20;
    if (settings.listingTimeLimit >= 0) defaults.listingLimits.seconds = settings.listingTimeLimit;
    defaults.firewall = {settings.fireWallOn != 0, settings.fireMode,   settings.firePort,
                         settings.fireHost,        settings.fireUserId, settings.firePassword};
    const SiteLogin login{profile.host,     profile.userId,     profile.password,
                          profile.dataMode, profile.encryption, profile.tlsFingerprint};
    return MakeConnectionSettings(login, defaults, connection) == SettingsOutcome::Ready
               ? ProfileOutcome::Ready
               : ProfileOutcome::AnonymousWithoutEmail;
}
