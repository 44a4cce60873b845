#include "platform/desktop/program_icons.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPixmap>

#include <array>

namespace {

struct IconPicture {
    const char* themeName;
    char letter;  // drawn when the theme has no such icon
};

// Pictures of the program file's icons, by index. Index 32 is the site icon.
constexpr std::array<IconPicture, ProgramIcons::kFileIconCount> kFilePictures{{
    {"network-server", 'Q'},      {"network-workgroup", 'W'}, {"folder-remote", 'R'},
    {"computer", 'C'},            {"drive-harddisk", 'H'},    {"network-wired", 'N'},
    {"user-home", 'U'},           {"emblem-web", 'E'},        {"folder", 'F'},
    {"folder-open", 'O'},         {"text-x-generic", 'T'},    {"image-x-generic", 'I'},
    {"audio-x-generic", 'A'},     {"video-x-generic", 'V'},   {"package-x-generic", 'P'},
    {"x-office-document", 'D'},   {"x-office-spreadsheet", 'S'}, {"x-office-presentation", 'P'},
    {"application-x-executable", 'X'}, {"text-html", 'H'},    {"emblem-important", '!'},
    {"emblem-favorite", '*'},     {"starred", '*'},           {"mail-send", 'M'},
    {"mail-inbox", 'M'},          {"system-users", 'U'},      {"preferences-system", 'S'},
    {"utilities-terminal", '>'},  {"security-high", 'L'},     {"applications-internet", 'I'},
    {"network-workgroup", 'G'},   {"printer", 'P'},           {"network-server", 'S'},
    {"weather-clear", 'W'},       {"camera-photo", 'C'},      {"input-gaming", 'G'},
    {"accessories-calculator", '='}, {"face-smile", ':'},     {"help-browser", '?'},
    {"dialog-information", 'i'},
}};

struct NamedResource {
    int number;
    IconPicture picture;
};

constexpr std::array<NamedResource, 8> kNamedResources{{
    {ProgramIcons::kApplication, {"network-server", 'Q'}},
    {ProgramIcons::kStandIn, {"image-missing", '?'}},
    {ProgramIcons::kFolder, {"folder", 'F'}},
    {ProgramIcons::kDocument, {"text-x-generic", 'D'}},
    {ProgramIcons::kCatalogue, {"network-workgroup", 'C'}},
    {ProgramIcons::kGroup, {"folder-remote", 'G'}},
    {ProgramIcons::kProperties, {"document-properties", 'i'}},
    {ProgramIcons::kDelete, {"dialog-warning", '!'}},
}};

QIcon DrawnIcon(char letter, int seed) {
    QIcon icon;
    const QColor colour = QColor::fromHsv((seed * 47) % 360, 140, 190);
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(colour);
        painter.setPen(colour.darker());
        painter.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size / 6.0, size / 6.0);
        QFont font = painter.font();
        font.setPixelSize(size * 2 / 3);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, QString(QChar(letter)));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon PictureIcon(const IconPicture& picture, int seed) {
    EnsureIconTheme();
    const QString name = QString::fromLatin1(picture.themeName);
    if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    return DrawnIcon(picture.letter, seed);
}

// Icons are made once per run: QIcon shares its data, so handing out copies
// keeps image lists cheap however many times an icon is appended.
QIcon Cached(int key, const IconPicture& picture) {
    static QHash<int, QIcon> cache;
    auto found = cache.constFind(key);
    if (found != cache.constEnd()) return *found;
    QIcon icon = PictureIcon(picture, key);
    cache.insert(key, icon);
    return icon;
}

}  // namespace

void EnsureIconTheme() {
    static const bool done = [] {
        // Platforms without a desktop theme search only Qt's resources and name no
        // theme; look where freedesktop keeps themes and use Adwaita, which is
        // installed with the program.
        QStringList paths = QIcon::themeSearchPaths();
        QStringList dataDirs = qEnvironmentVariable("XDG_DATA_DIRS").split(u':', Qt::SkipEmptyParts);
        if (dataDirs.isEmpty()) dataDirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
        for (const QString& dir : dataDirs) {
            if (!paths.contains(dir + QStringLiteral("/icons"))) paths.append(dir + QStringLiteral("/icons"));
        }
        QIcon::setThemeSearchPaths(paths);
        if (QIcon::fallbackThemeName().isEmpty()) QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
        // A desktop without a full theme names "hicolor", which has no file-type
        // icons; Qt consults the fallback theme only when no theme is named.
        if (QIcon::themeName().isEmpty() || !QIcon::hasThemeIcon(QStringLiteral("text-x-generic")))
            QIcon::setThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    (void)done;
}

QIcon ProgramFileIcon(int index) {
    if (index < 0 || index >= ProgramIcons::kFileIconCount) return {};
    return Cached(index, kFilePictures[static_cast<std::size_t>(index)]);
}

QIcon ProgramIcon(int resourceNumber) {
    for (const NamedResource& resource : kNamedResources) {
        if (resource.number == resourceNumber) return Cached(resourceNumber, resource.picture);
    }
    // Small numbers name the icons of the program file in order.
    return ProgramFileIcon(resourceNumber);
}

bool IsProgramFile(const QString& fileName) {
    const QString name = fileName.trimmed();
    if (name.isEmpty()) return false;
    if (name.compare(QStringLiteral("Wexal.exe"), Qt::CaseInsensitive) == 0) return true;
    const QString self = QCoreApplication::applicationFilePath();
    return !self.isEmpty() && (name == self || name == QFileInfo(self).fileName());
}
