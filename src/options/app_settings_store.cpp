#include "options/app_settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <array>

namespace {

// One stored setting: where it lives and which field holds it. Exactly one of
// number and text is set. The rows are in load order; saveRank orders the save.
struct SettingField {
    const char* section;
    const char* key;
    int AppSettings::*number;
    std::string AppSettings::*text;
    int saveRank;
};

constexpr const char* kProgram = "ProgramOptions";
constexpr const char* kTrans = "TransOptions";
constexpr const char* kWindow = "WndProperties";
constexpr const char* kListings = "Listings";

constexpr std::array<SettingField, 27> kFields{{
    {kProgram, "Port", &AppSettings::port, nullptr, 4},
    {kProgram, "Receive Bytes", &AppSettings::receiveBytes, nullptr, 5},
    {kProgram, "Send Bytes", &AppSettings::sendBytes, nullptr, 6},
    {kProgram, "Retry", &AppSettings::retry, nullptr, 7},
    {kProgram, "e-mail", nullptr, &AppSettings::email, 8},
    {kTrans, "Transfer Mode", &AppSettings::transferMode, nullptr, 16},
    {kTrans, "Save On Double-Click", &AppSettings::saveOnDoubleClick, nullptr, 17},
    {kTrans, "View On Double-Click", &AppSettings::viewOnDoubleClick, nullptr, 18},
    {kTrans, "Default Download Directory", nullptr, &AppSettings::defaultDownloadDirectory, 19},
    {kWindow, "Left", &AppSettings::left, nullptr, 0},
    {kWindow, "Right", &AppSettings::right, nullptr, 1},
    {kWindow, "Top", &AppSettings::top, nullptr, 2},
    {kWindow, "Bottom", &AppSettings::bottom, nullptr, 3},
    {kProgram, "Default View", &AppSettings::defaultView, nullptr, 9},
    {kProgram, "Fire Wall On", &AppSettings::fireWallOn, nullptr, 10},
    {kProgram, "Fire Mode", &AppSettings::fireMode, nullptr, 11},
    {kProgram, "Fire Port", &AppSettings::firePort, nullptr, 12},
    {kProgram, "Fire Host", nullptr, &AppSettings::fireHost, 13},
    {kProgram, "Fire User ID", nullptr, &AppSettings::fireUserId, 14},
    {kProgram, "Fire Password", nullptr, &AppSettings::firePassword, 15},
    {kTrans, "Passive Mode", &AppSettings::passiveMode, nullptr, 20},
    {kTrans, "Keep Modification Times", &AppSettings::keepModificationTimes, nullptr, 21},
    {kTrans, "Queue Connections", &AppSettings::queueConnections, nullptr, 22},
    {kProgram, "Passwords In Keyring", &AppSettings::passwordsInKeyring, nullptr, 23},
    {kListings, "Most Entries", &AppSettings::listingMostEntries, nullptr, 24},
    {kListings, "Most Megabytes", &AppSettings::listingMostMegabytes, nullptr, 25},
    {kListings, "Time Limit", &AppSettings::listingTimeLimit, nullptr, 26},
}};

QString StoredText(const QVariant& value) {
    // An unquoted INI value with commas reads back as a list; the setting is one text.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

QString KeyPath(const SettingField& field) {
    return QString::fromLatin1(field.section) + QLatin1Char('/') + QString::fromLatin1(field.key);
}

// Where QSettings keeps the user's INI store ($XDG_CONFIG_HOME or ~/.config),
// known before QSettings opens and reads it.
QString UserSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Corvane/Quillmoor.ini");
}

// "" when the path is free or a regular file, otherwise what is there.
QString NotRegularFile(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode)) return {};
    const char* kind = S_ISDIR(info.st_mode)    ? "a directory"
                       : S_ISFIFO(info.st_mode) ? "a FIFO"
                       : S_ISSOCK(info.st_mode) ? "a socket"
                                                : "a device";
    return QStringLiteral(
               "The settings file %1 is %2, not a regular file. The default settings are used "
               "and changes are not saved.")
        .arg(path, QString::fromLatin1(kind));
}

// Makes the file private before QSettings writes it: QSettings replaces it by
// a temporary file that takes over the old file's permissions, so a new file
// is created 0600 first and an old one made 0600.
void MakePrivate(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (::chmod(name.constData(), 0600) == 0) return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::setPermissions(QFileInfo(path).absolutePath(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const int descriptor = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor >= 0) ::close(descriptor);
}

}  // namespace

AppSettingsStore::AppSettingsStore() {
    const QString file = UserSettingsFile();
    problem = NotRegularFile(file);
    if (!problem.isEmpty()) return;
    ownStore = new QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                             QStringLiteral("Quillmoor"));
    store = ownStore;
}

AppSettingsStore::AppSettingsStore(QSettings& given) : store(&given) {}

AppSettingsStore::~AppSettingsStore() { delete ownStore; }

std::string AppSettingsStore::TemporaryDirectory() {
    QString path = QDir::tempPath();
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path.toStdString();
}

AppSettings AppSettingsStore::Load() {
    AppSettings settings;
    settings.defaultDownloadDirectory = TemporaryDirectory();
    if (!store) return settings;
    for (const SettingField& field : kFields) {
        const QVariant value = store->value(KeyPath(field));
        if (!value.isValid()) continue;  // missing: keep the default
        if (field.text) {
            settings.*field.text = StoredText(value).toStdString();
            continue;
        }
        bool isNumber = false;
        const int number = StoredText(value).trimmed().toInt(&isNumber);
        if (isNumber) settings.*field.number = number;
    }
    return settings;
}

bool AppSettingsStore::Save(const AppSettings& settings) {
    if (!store) return false;
    if (store->format() == QSettings::IniFormat) MakePrivate(store->fileName());
    std::array<const SettingField*, kFields.size()> order;
    for (std::size_t i = 0; i < kFields.size(); ++i) order[i] = &kFields[i];
    std::sort(order.begin(), order.end(),
              [](const SettingField* a, const SettingField* b) { return a->saveRank < b->saveRank; });
    for (const SettingField* field : order) {
        if (field->text) {
            store->setValue(KeyPath(*field), QString::fromStdString(settings.*field->text));
        } else {
            store->setValue(KeyPath(*field), settings.*field->number);
        }
    }
    store->sync();
    return store->status() == QSettings::NoError;
}
