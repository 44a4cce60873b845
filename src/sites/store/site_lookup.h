#pragma once

#include <string>

#include "sites/store/site_catalogue.h"

// The outcome of looking a site up by its name.
struct SiteLookup {
    bool found = false;
    SiteProfile profile;
    std::string error;  // why nothing was found, ready to show the user
};

// Finds the one site named exactly `name`. An unknown name and a name that
// several sites share are refused, the latter naming their groups.
SiteLookup FindSiteByName(const SiteCatalogue& catalogue, const std::string& name);
