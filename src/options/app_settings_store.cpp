#include "options/app_settings_store.h"

#include <QDir>
#include <QSettings>
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

constexpr std::array<SettingField, 20> kFields{{
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
}};

QString StoredText(const QVariant& value) {
    // An unquoted INI value with commas reads back as a list; the setting is one text.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

QString KeyPath(const SettingField& field) {
    return QString::fromLatin1(field.section) + QLatin1Char('/') + QString::fromLatin1(field.key);
}

}  // namespace

AppSettingsStore::AppSettingsStore()
    : ownStore(new QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                             QStringLiteral("Quillmoor"))),
      store(*ownStore) {}

AppSettingsStore::AppSettingsStore(QSettings& given) : store(given) {}

AppSettingsStore::~AppSettingsStore() { delete ownStore; }

std::string AppSettingsStore::TemporaryDirectory() {
    QString path = QDir::tempPath();
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path.toStdString();
}

AppSettings AppSettingsStore::Load() {
    AppSettings settings;
    settings.defaultDownloadDirectory = TemporaryDirectory();
    for (const SettingField& field : kFields) {
        const QVariant value = store.value(KeyPath(field));
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
    std::array<const SettingField*, kFields.size()> order;
    for (std::size_t i = 0; i < kFields.size(); ++i) order[i] = &kFields[i];
    std::sort(order.begin(), order.end(),
              [](const SettingField* a, const SettingField* b) { return a->saveRank < b->saveRank; });
    for (const SettingField* field : order) {
        if (field->text) {
            store.setValue(KeyPath(*field), QString::fromStdString(settings.*field->text));
        } else {
            store.setValue(KeyPath(*field), settings.*field->number);
        }
    }
    store.sync();
    return store.status() == QSettings::NoError;
}
