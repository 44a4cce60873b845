#pragma once

#include <QIcon>
#include <QMetaType>
#include <QString>

#include "sites/store/site_profile.h"

class QTreeWidgetItem;

Q_DECLARE_METATYPE(SiteProfile)

// The image and the accessible description of each kind of catalogue entry.
QIcon CatalogueIcon(ItemKind kind);
QString CatalogueDescription(ItemKind kind);

// The three kinds of site-tree item with their images and data: a group (kind
// 6), a site (kind 5, holding its SiteProfile) and a remote directory (kind 3).
QTreeWidgetItem* MakeGroupItem(const QString& label);
QTreeWidgetItem* MakeSiteItem(const SiteProfile& profile);
QTreeWidgetItem* MakeDirectoryItem(const QString& name);

// The kind tag of an item; None for no item.
ItemKind KindOf(const QTreeWidgetItem* item);

// The profile held by a site item, its group set to the enclosing group's label.
SiteProfile ProfileOf(const QTreeWidgetItem* item);
void SetProfileOf(QTreeWidgetItem* item, const SiteProfile& profile);

// 8-bit catalogue text and the user interface's text.
QString ToQt(const std::string& text);
std::string FromQt(const QString& text);
