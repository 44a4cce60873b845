// The settings write killed at random points: what the next start reads is
// one whole set of settings, the old one or the new one.
#include <gtest/gtest.h>

#include <QSettings>
#include <QString>
#include <random>

#include "killed_writer.h"
#include "options/app_settings_store.h"
#include "support/temp_dir.h"

namespace faults {
namespace {

// Every field differs between the two versions, so a mix shows.
AppSettings Version(int n) {
    AppSettings settings;
    settings.port = 2100 + n;
    settings.retry = 30 + n;
    settings.email = "user" + std::to_string(n) + "@example.org " + std::string(200, 'e');
    settings.defaultView = n % 4;
    settings.fireHost = "proxy" + std::to_string(n) + ".example.org";
    settings.firePassword = "pw" + std::to_string(n);
    settings.transferMode = n % 2 ? 'I' : 'A';
    settings.defaultDownloadDirectory = "/tmp/downloads-" + std::to_string(n) + "/";
    settings.left = 10 + n;
    settings.right = 600 + n;
    settings.top = 20 + n;
    settings.bottom = 700 + n;
    return settings;
}

bool IsVersion(const AppSettings& loaded, int n) {
    const AppSettings expected = Version(n);
    return loaded.port == expected.port && loaded.retry == expected.retry && loaded.email == expected.email &&
           loaded.defaultView == expected.defaultView && loaded.fireHost == expected.fireHost &&
           loaded.firePassword == expected.firePassword && loaded.transferMode == expected.transferMode &&
           loaded.defaultDownloadDirectory == expected.defaultDownloadDirectory && loaded.left == expected.left &&
           loaded.right == expected.right && loaded.top == expected.top && loaded.bottom == expected.bottom;
}

AppSettings LoadFrom(const QString& path) {
    QSettings file(path, QSettings::IniFormat);
    return AppSettingsStore(file).Load();
}

TEST(KilledSettingsWrite, LeavesTheOldOrTheNewSettingsWhole) {
    testsupport::TempDir dir;
    const QString path = QString::fromStdString((dir / "Quillmoor.ini").string());
    {
        QSettings file(path, QSettings::IniFormat);
        ASSERT_TRUE(AppSettingsStore(file).Save(Version(1)));
    }
    std::mt19937 random(1207);
    std::uniform_int_distribution<int> delayMicroseconds(0, 20000);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        int next = 2;
        ASSERT_TRUE(KillWriterAfter(
            [&] {
                // A fresh store each time, as each run of the program has.
                QSettings file(path, QSettings::IniFormat);
                AppSettingsStore(file).Save(Version(next));
                next = next == 1 ? 2 : 1;
            },
            std::chrono::microseconds(delayMicroseconds(random))));
        const AppSettings loaded = LoadFrom(path);
        ASSERT_TRUE(IsVersion(loaded, 1) || IsVersion(loaded, 2)) << "a killed write left a mix of settings";
    }
}

}  // namespace
}  // namespace faults
