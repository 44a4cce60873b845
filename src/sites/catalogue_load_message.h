#pragma once

#include <QString>
#include <string>

#include "sites/store/site_store.h"

// What the user is told after a catalogue file could not be used, and whether
// the file must be kept as it is. A file that could not be read stays; one read
// but not understood is renamed aside so that a new catalogue can start, and
// stays too when the rename fails. Empty text when the load needs no word.
struct CatalogueLoadOutcome {
    QString message;
    bool keepFile = false;
};

CatalogueLoadOutcome SettleCatalogueLoad(const SiteStore& store, CatalogueLoad load,
                                         const std::string& problem);
