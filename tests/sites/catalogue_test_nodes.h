#pragma once

#include <QModelIndex>

#include "sites/catalogue_entries.h"
#include "sites/catalogue_model.h"

// Reading the entries of a catalogue through a view's model.
inline QModelIndex Child(const QModelIndex& parent, int row) { return parent.model()->index(row, 0, parent); }
inline int ChildCount(const QModelIndex& index) { return index.model()->rowCount(index); }
inline QString Label(const QModelIndex& index) { return index.data().toString(); }
inline SiteProfile ProfileOf(const QModelIndex& site) {
    return site.data(CatalogueModel::ProfileRole).value<SiteProfile>();
}
