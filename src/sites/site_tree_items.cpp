#include "sites/site_tree_items.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QTreeWidgetItem>

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kProfileRole = Qt::UserRole + 1;

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

QTreeWidgetItem* MakeItem(const QString& label, ItemKind kind) {
    auto* item = new QTreeWidgetItem(QStringList{label});
    item->setData(0, kKindRole, static_cast<int>(kind));
    item->setIcon(0, CatalogueIcon(kind));
    item->setData(0, Qt::AccessibleDescriptionRole, CatalogueDescription(kind));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

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

QTreeWidgetItem* MakeGroupItem(const QString& label) { return MakeItem(label, ItemKind::Group); }

QTreeWidgetItem* MakeSiteItem(const SiteProfile& profile) {
    QTreeWidgetItem* item = MakeItem(ToQt(profile.name), ItemKind::Site);
    SetProfileOf(item, profile);
    return item;
}

QTreeWidgetItem* MakeDirectoryItem(const QString& name) { return MakeItem(name, ItemKind::Directory); }

ItemKind KindOf(const QTreeWidgetItem* item) {
    if (!item) return ItemKind::None;
    return static_cast<ItemKind>(item->data(0, kKindRole).toInt());
}

SiteProfile ProfileOf(const QTreeWidgetItem* item) {
    SiteProfile profile = item->data(0, kProfileRole).value<SiteProfile>();
    profile.kind = static_cast<int>(ItemKind::Site);
    if (item->parent()) profile.group = FromQt(item->parent()->text(0));
    return profile;
}

void SetProfileOf(QTreeWidgetItem* item, const SiteProfile& profile) {
    // A profile read from the file is tagged already: no copy on the way in.
    if (profile.kind == static_cast<int>(ItemKind::Site)) {
        item->setData(0, kProfileRole, QVariant::fromValue(profile));
        return;
    }
    SiteProfile stored = profile;
    stored.kind = static_cast<int>(ItemKind::Site);
    item->setData(0, kProfileRole, QVariant::fromValue(stored));
}

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

std::string FromQt(const QString& text) { return text.toStdString(); }
