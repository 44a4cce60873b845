#pragma once

#include <QIcon>
#include <QMetaType>
#include <QString>

#include "sites/store/site_profile.h"

Q_DECLARE_METATYPE(SiteProfile)

// The image and the accessible description of each kind of catalogue entry.
QIcon CatalogueIcon(ItemKind kind);
QString CatalogueDescription(ItemKind kind);

// 8-bit catalogue text and the user interface's text.
QString ToQt(const std::string& text);
std::string FromQt(const QString& text);
