#pragma once

#include <QSettings>
#include <QString>
#include <QTemporaryDir>

// Points the per-user configuration and data directories at a fresh
// temporary directory for as long as it lives, so each case starts from an
// empty settings store (and an empty transfer queue).
class IsolatedConfig {
public:
    IsolatedConfig() {
        qputenv("XDG_CONFIG_HOME", directory.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", (directory.path() + QStringLiteral("/data")).toLocal8Bit());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, directory.path());
    }

    QString Path() const { return directory.path(); }
    QString SettingsFile() const { return directory.path() + QStringLiteral("/Corvane/Quillmoor.ini"); }

private:
    QTemporaryDir directory;
};
