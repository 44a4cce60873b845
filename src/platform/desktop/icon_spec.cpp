#include "platform/desktop/icon_spec.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

#include "platform/desktop/program_icons.h"

namespace {

int LeadingDecimal(QStringView text) {
    qsizetype at = 0;
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) ++at;
    int value = 0;
    for (; at < text.size() && text[at].isDigit() && text[at].unicode() < 128; ++at) {
        if (value > 100'000'000) break;  // no file holds that many icons
        value = value * 10 + (text[at].unicode() - u'0');
    }
    return value;
}

QIcon IconFromImageFile(const QString& path, int index) {
    QImageReader reader(path);
    if (!reader.canRead()) return {};
    // A multi-image file (an .ico) picks its image by index; the others only
    // hold icon 0.
    if (index > 0) {
        if (reader.imageCount() <= index || !reader.jumpToImage(index)) return {};
    }
    const QImage image = reader.read();
    if (image.isNull()) return {};
    return QIcon(QPixmap::fromImage(image));
}

bool LooksLikeThemeName(const QString& name) {
    return !name.contains(u'/') && !name.contains(u' ');
}

}  // namespace

IconSpec ParseIconSpec(const QString& spec) {
    IconSpec parsed;
    const qsizetype comma = spec.indexOf(u',');
    QString file = comma < 0 ? spec : spec.left(comma);
    // The site specs carry a blank before the comma ("Wexal.exe ,32").
    while (!file.isEmpty() && file.back().isSpace()) file.chop(1);
    parsed.file = file;
    if (comma >= 0) parsed.index = LeadingDecimal(QStringView(spec).mid(comma + 1));
    return parsed;
}

QIcon IconFromSpec(const QString& spec) {
    const IconSpec parsed = ParseIconSpec(spec);
    if (parsed.file.isEmpty()) return {};
    if (IsProgramFile(parsed.file)) return ProgramFileIcon(parsed.index);

    const QFileInfo info(parsed.file);
    if (info.isFile()) return IconFromImageFile(info.filePath(), parsed.index);

    if (parsed.index == 0 && LooksLikeThemeName(parsed.file)) {
        EnsureIconTheme();
        if (QIcon::hasThemeIcon(parsed.file)) return QIcon::fromTheme(parsed.file);
    }
    return {};
}
