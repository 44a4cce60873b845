#pragma once

#include <QSettings>
#include <QString>
#include <QTemporaryDir>

// Points the per-user configuration directory at a fresh temporary directory
// for as long as it lives, so each case starts from an empty settings store.
class IsolatedConfig {
public:
    IsolatedConfig() {
        qputenv("XDG_CONFIG_HOME", directory.path().toLocal8Bit());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, directory.path());
    }

    QString Path() const { return directory.path(); }
    QString SettingsFile() const { return directory.path() + QStringLiteral("/Corvane/Quillmoor.ini"); }

private:
    QTemporaryDir directory;
};
