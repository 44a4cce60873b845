#include "sites/catalogue_entries.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

namespace {

QIcon StyleIcon(QStyle::StandardPixmap pixmap) { return QApplication::style()->standardIcon(pixmap); }

// Directories show a closed folder, and an open one while selected.
QIcon DirectoryIcon() {
    QIcon icon;
    icon.addPixmap(StyleIcon(QStyle::SP_DirClosedIcon).pixmap(16, 16), QIcon::Normal);
    icon.addPixmap(StyleIcon(QStyle::SP_DirOpenIcon).pixmap(16, 16), QIcon::Selected);
    return icon;
}

// A style makes a new icon on each request, which costs more than the rest of
// an item; many sites or folders share one set while the style stays.
struct ItemIcons {
    QIcon group, site, directory;

    static const ItemIcons& Current() {
        static const QStyle* madeBy = nullptr;
        static ItemIcons icons;
        if (madeBy != QApplication::style()) {
            madeBy = QApplication::style();
            icons = {StyleIcon(QStyle::SP_DirHomeIcon), StyleIcon(QStyle::SP_DriveNetIcon), DirectoryIcon()};
        }
        return icons;
    }
};

}  // namespace

QIcon CatalogueIcon(ItemKind kind) {
    const ItemIcons& icons = ItemIcons::Current();
    switch (kind) {
        case ItemKind::Group:
            return icons.group;
        case ItemKind::Site:
            return icons.site;
        case ItemKind::Directory:
            return icons.directory;
        default:
            return {};
    }
}

QString CatalogueDescription(ItemKind kind) {
    switch (kind) {
        case ItemKind::Group:
            return QStringLiteral("Group");
        case ItemKind::Site:
            return QStringLiteral("Site");
        case ItemKind::Directory:
            return QStringLiteral("Directory");
        default:
            return {};
    }
}

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

std::string FromQt(const QString& text) { return text.toStdString(); }
