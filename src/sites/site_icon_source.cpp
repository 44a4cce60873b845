#include "sites/site_icon_source.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

namespace {

int LeadingNumber(QStringView text) {
    qsizetype at = 0;
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) ++at;
    int value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9' && value < 1'000'000; ++at)
        value = value * 10 + (text[at].unicode() - u'0');
    return value;
}

bool IsProgramFile(const QString& file) {
    return file.compare(QStringLiteral("Wexal.exe"), Qt::CaseInsensitive) == 0 ||
           (QCoreApplication::instance() && file == QCoreApplication::applicationFilePath());
}

// The program's numbered icons: a disc of its own hue with the number on it.
QIcon ProgramIcon(int index) {
    if (index < 0 || index >= kProgramIconCount) return {};
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor::fromHsv(index * 360 / kProgramIconCount, 160, 210));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawEllipse(QRectF(2.5, 2.5, 27, 27));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QString::number(index));
    painter.end();
    return QIcon(pixmap);
}

QIcon ImageFileIcon(const QString& path, int index) {
    QImageReader reader(path);
    if (!reader.canRead()) return {};
    // Only multi-image files (icon files) have icons past index 0.
    if (index > 0 && (reader.imageCount() <= index || !reader.jumpToImage(index))) return {};
    const QImage image = reader.read();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

}  // namespace

QIcon SiteIconFromSpec(const QString& spec) {
    const qsizetype comma = spec.indexOf(u',');
    // Site specs carry a blank before the comma; it does not change the file.
    const QString file = (comma < 0 ? spec : spec.left(comma)).trimmed();
    const int index = comma < 0 ? 0 : LeadingNumber(QStringView(spec).mid(comma + 1));
    if (file.isEmpty()) return {};
    if (IsProgramFile(file)) return ProgramIcon(index);
    if (!QFileInfo(file).isFile()) return {};
    return ImageFileIcon(file, index);
}
