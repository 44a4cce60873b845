#include "sites/store/site_lookup.h"

SiteLookup FindSiteByName(const SiteCatalogue& catalogue, const std::string& name) {
    SiteLookup lookup;
    std::string groups;
    int matches = 0;
    for (const auto& group : catalogue.groups) {
        for (const auto& site : group.sites) {
            if (site.name != name) continue;
            if (++matches == 1) lookup.profile = site;
            groups += (groups.empty() ? "\"" : ", \"") + group.label + "\"";
        }
    }
    if (matches == 1) {
        lookup.found = true;
    } else if (matches == 0) {
        lookup.error = "No site is named \"" + name + "\" in the site catalogue.";
    } else {
        lookup.error = std::to_string(matches) + " sites are named \"" + name + "\" (groups " + groups +
                       "); give them different names first.";
        lookup.profile = {};
    }
    return lookup;
}
