#include "platform/desktop/mime_applications.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStandardPaths>
#include <QStringList>
#include <QTextStream>

namespace {

QString EnvironmentDir(const char* name, const QString& fallbackUnderHome) {
    const QString value = qEnvironmentVariable(name);
    if (!value.isEmpty()) return value;
    return QDir::homePath() + fallbackUnderHome;
}

QStringList EnvironmentDirList(const char* name, const QString& fallback) {
    QString value = qEnvironmentVariable(name);
    if (value.isEmpty()) value = fallback;
    return value.split(u':', Qt::SkipEmptyParts);
}

QString ConfigHome() { return EnvironmentDir("XDG_CONFIG_HOME", QStringLiteral("/.config")); }
QString DataHome() { return EnvironmentDir("XDG_DATA_HOME", QStringLiteral("/.local/share")); }

// Application directories, the user's first.
QStringList ApplicationDirs() {
    QStringList dirs{DataHome() + QStringLiteral("/applications")};
    for (const QString& dir : EnvironmentDirList("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share")))
        dirs.append(dir + QStringLiteral("/applications"));
    return dirs;
}

// Every mimeapps.list (and the older defaults.list) in priority order.
QStringList AssociationFiles() {
    QStringList files{ConfigHome() + QStringLiteral("/mimeapps.list")};
    for (const QString& dir : EnvironmentDirList("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg")))
        files.append(dir + QStringLiteral("/mimeapps.list"));
    for (const QString& dir : ApplicationDirs()) {
        files.append(dir + QStringLiteral("/mimeapps.list"));
        files.append(dir + QStringLiteral("/defaults.list"));
    }
    return files;
}

// The raw key=value lines of one group of an INI-like file (desktop entries,
// mimeapps.list, mimeinfo.cache); later duplicates do not override.
QHash<QString, QString> ReadGroup(const QString& path, const QString& group) {
    QHash<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return values;
    QTextStream in(&file);
    bool inGroup = false;
    const QString header = u'[' + group + u']';
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == header;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inGroup || equals <= 0 || line.startsWith(u'#')) continue;
        const QString key = line.left(equals).trimmed();
        if (!values.contains(key)) values.insert(key, line.mid(equals + 1).trimmed());
    }
    return values;
}

QStringList ReadListValue(const QString& path, const QString& group, const QString& key) {
    return ReadGroup(path, group).value(key).split(u';', Qt::SkipEmptyParts);
}

// Desktop ids may name a file in a subdirectory: "kde-foo.desktop" can be
// applications/kde/foo.desktop.
QString FindDesktopFile(const QString& desktopId) {
    if (desktopId.contains(u'/') || desktopId.startsWith(u'.')) return {};
    for (const QString& dir : ApplicationDirs()) {
        QString candidate = dir + u'/' + desktopId;
        if (QFileInfo(candidate).isFile()) return candidate;
        QString nested = desktopId;
        for (qsizetype dash = nested.indexOf(u'-'); dash > 0; dash = nested.indexOf(u'-', dash + 1)) {
            nested[dash] = u'/';
            candidate = dir + u'/' + nested;
            if (QFileInfo(candidate).isFile()) return candidate;
        }
    }
    return {};
}

QString ExecOfDesktopId(const QString& desktopId) {
    const QString path = FindDesktopFile(desktopId.trimmed());
    return path.isEmpty() ? QString() : ReadDesktopEntryExec(path);
}

QString FirstUsable(const QStringList& desktopIds, const QSet<QString>& removed) {
    for (const QString& id : desktopIds) {
        if (removed.contains(id)) continue;
        const QString exec = ExecOfDesktopId(id);
        if (!exec.isEmpty()) return exec;
    }
    return {};
}

// Applications that list the type in their own MimeType key, found through
// each directory's mimeinfo.cache or, without one, by reading the entries.
QString DeclaringApplicationExec(const QString& mimeType, const QSet<QString>& removed) {
    for (const QString& dir : ApplicationDirs()) {
        const QString cache = dir + QStringLiteral("/mimeinfo.cache");
        const QString fromCache =
            FirstUsable(ReadListValue(cache, QStringLiteral("MIME Cache"), mimeType), removed);
        if (!fromCache.isEmpty()) return fromCache;
        if (QFileInfo::exists(cache)) continue;
        const QStringList entries = QDir(dir).entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
        for (const QString& entry : entries) {
            if (removed.contains(entry)) continue;
            const QStringList types =
                ReadListValue(dir + u'/' + entry, QStringLiteral("Desktop Entry"), QStringLiteral("MimeType"));
            if (!types.contains(mimeType)) continue;
            const QString exec = ReadDesktopEntryExec(dir + u'/' + entry);
            if (!exec.isEmpty()) return exec;
        }
    }
    return {};
}

}  // namespace

QString ReadDesktopEntryExec(const QString& desktopFilePath) {
    const QHash<QString, QString> entry = ReadGroup(desktopFilePath, QStringLiteral("Desktop Entry"));
    if (entry.value(QStringLiteral("Hidden")) == QLatin1String("true")) return {};
    const QString type = entry.value(QStringLiteral("Type"));
    if (!type.isEmpty() && type != QLatin1String("Application")) return {};
    const QString exec = entry.value(QStringLiteral("Exec"));
    // A program made for a terminal (vim, nano) started from here would take
    // over the terminal Quillmoor was started from, or find none: it runs in
    // the desktop's terminal emulator, or is passed over when there is none.
    if (entry.value(QStringLiteral("Terminal")) == QLatin1String("true")) {
        const QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        if (terminal.isEmpty() || exec.isEmpty() || terminal.contains(u' ')) return {};
        return terminal + QStringLiteral(" -e ") + exec;
    }
    return exec;
}

QString DefaultApplicationExec(const QString& mimeType) {
    if (mimeType.isEmpty()) return {};
    const QStringList lists = AssociationFiles();
    QSet<QString> removed;
    for (const QString& list : lists) {
        for (const QString& id : ReadListValue(list, QStringLiteral("Removed Associations"), mimeType))
            removed.insert(id);
    }
    for (const QString& list : lists) {
        const QString exec =
            FirstUsable(ReadListValue(list, QStringLiteral("Default Applications"), mimeType), {});
        if (!exec.isEmpty()) return exec;
    }
    for (const QString& list : lists) {
        const QString exec =
            FirstUsable(ReadListValue(list, QStringLiteral("Added Associations"), mimeType), removed);
        if (!exec.isEmpty()) return exec;
    }
    return DeclaringApplicationExec(mimeType, removed);
}
