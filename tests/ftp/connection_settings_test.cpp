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

    struct Row {
        SiteLogin site;
        bool programPassive;
        std::string password;  // expected
        DataMode mode;         // expected
    };
    const Row rows[] = {
        {{"h", "anonymous", "", std::nullopt}, true, "me@example.org", DataMode::Passive},
        {{"h", "anonymous", "given", std::nullopt}, false, "given", DataMode::Active},
        {{"h", "Anonymous", "", std::nullopt}, true, "", DataMode::Passive},  // only the exact name
        {{"h", "user", "", DataMode::Active}, true, "", DataMode::Active},   // the site's mode wins
        {{"h", "user", "secret", DataMode::Passive}, false, "secret", DataMode::Passive},
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
    }
}

TEST(MakeConnectionSettings, AnonymousWithoutPasswordOrEmailIsRefused) {
    ConnectionSettings settings;
    settings.host = "untouched";
    EXPECT_EQ(MakeConnectionSettings({"h", "anonymous", "", std::nullopt}, ConnectionDefaults(), settings),
              SettingsOutcome::AnonymousWithoutEmail);
    EXPECT_EQ(settings.host, "untouched");
}

}  // namespace
