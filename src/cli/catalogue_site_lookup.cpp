#include "cli/catalogue_site_lookup.h"

#include "sites/store/site_lookup.h"
#include "sites/store/site_store.h"

CliSiteLookup CatalogueSiteLookup(std::string cataloguePath) {
    return [path = std::move(cataloguePath)](const std::string& name, CliSite& site, std::string& error) {
        std::string readError;
        const SiteStore store(path, [&readError](const std::string& line) { readError = line; });
        SiteCatalogue catalogue;
        switch (store.LoadCatalogue(catalogue)) {
            case CatalogueLoad::Missing:
                error = "there is no site catalogue at " + path;
                return false;
            case CatalogueLoad::Unreadable:
            case CatalogueLoad::NotUnderstood:
                error = readError;
                return false;
            case CatalogueLoad::Loaded:
                break;
        }
        const SiteLookup lookup = FindSiteByName(catalogue, name);
        if (!lookup.found) {
            error = lookup.error;
            return false;
        }
        site = {lookup.profile.host,      lookup.profile.userId,     lookup.profile.password,
                lookup.profile.remoteDir, lookup.profile.dataMode,   lookup.profile.encryption,
                lookup.profile.tlsFingerprint};
        return true;
    };
}
