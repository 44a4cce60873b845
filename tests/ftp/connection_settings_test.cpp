#include "ftp/connection_settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// The mapping both front ends use: the site's values, the program's settings
// for the rest, the anonymous rule and the data mode's precedence.
TEST(MakeConnectionSettings, SiteAndProgramSettingsMakeOneConnection) {
    ConnectionDefaults defaults;
    defaults.email = "me@example.org";
    defaults.transferMode = 'A';
    defaults.passive = true;
    defaults.timeoutSeconds = 30;
    defaults.downloadDir = "/home/me/";
    defaults.firewall = {true, 2, 2121, "proxy", "pu", "pp"};
    defaults.caFile = "/etc/extra-roots.pem";

    struct Row {
        SiteLogin site;
        bool programPassive;
        std::string password;  // expected
        DataMode mode;         // expected
    };
    using tls::Encryption;
    const Row rows[] = {
        {{"h", "anonymous", "", std::nullopt, Encryption::ExplicitIfAvailable, ""},
         true,
         "me@example.org",
         DataMode::Passive},
        {{"h", "anonymous", "given", std::nullopt, Encryption::Plain, ""}, false, "given", DataMode::Active},
        // only the exact name
        {{"h", "Anonymous", "", std::nullopt, Encryption::RequireImplicit, "SHA256:x"},
         true,
         "",
         DataMode::Passive},
        // the site's mode wins
        {{"h", "user", "", DataMode::Active, Encryption::RequireExplicit, "SHA256:y"},
         true,
         "",
         DataMode::Active},
        {{"h", "user", "secret", DataMode::Passive, Encryption::ExplicitIfAvailable, ""},
         false,
         "secret",
         DataMode::Passive},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.site.user + "/" + row.site.password);
        defaults.passive = row.programPassive;
        ConnectionSettings settings;
        ASSERT_EQ(MakeConnectionSettings(row.site, defaults, settings), SettingsOutcome::Ready);
        EXPECT_EQ(settings.host, "h");
        EXPECT_EQ(settings.user, row.site.user);
        EXPECT_EQ(settings.password, row.password);
        EXPECT_EQ(settings.dataMode, row.mode);
        EXPECT_EQ(settings.transferMode, 'A');
        EXPECT_EQ(settings.timeoutSeconds, 30);
        EXPECT_EQ(settings.downloadDir, "/home/me/");
        EXPECT_TRUE(settings.firewall.on);
        EXPECT_EQ(settings.firewall.host, "proxy");
        EXPECT_EQ(settings.firewall.port, 2121);
        EXPECT_EQ(settings.encryption, row.site.encryption);
        EXPECT_EQ(settings.trustedFingerprint, row.site.trustedFingerprint);
        EXPECT_EQ(settings.caFile, "/etc/extra-roots.pem");
    }
}

TEST(MakeConnectionSettings, AnonymousWithoutPasswordOrEmailIsRefused) {
    ConnectionSettings settings;
    settings.host = "untouched";
    EXPECT_EQ(
        MakeConnectionSettings({"h", "anonymous", "", std::nullopt, {}, ""}, ConnectionDefaults(), settings),
        SettingsOutcome::AnonymousWithoutEmail);
    EXPECT_EQ(settings.host, "untouched");
}

}  // namespace
