#pragma once

#include "sites/store/catalogue_merge.h"

class QWidget;

// Asks the user which side to keep of a site that this program and another
// one both changed (see MergeCatalogueEntries); Escape keeps both.
ConflictChoice AskSiteConflict(QWidget* parent, const SiteConflict& conflict);
