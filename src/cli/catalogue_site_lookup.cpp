#include "cli/catalogue_site_lookup.h"

#include <cstdio>

#include "sites/store/catalogue_format.h"
#include "sites/store/password_vault.h"
#include "sites/store/site_lookup.h"
#include "sites/store/site_store.h"

namespace {

// The password the keyring holds for the one site named name, when its
// entry saves one but the file has none (the desktop program moved it).
void TakePasswordFromKeyring(const SiteCatalogue& catalogue, const std::string& name, PasswordVault& keyring,
                             SiteProfile& profile) {
    if (!profile.savePassword || !profile.password.empty()) return;
    for (const auto& group : catalogue.groups) {
        for (const auto& site : group.sites) {
            if (site.name != name) continue;
            std::string error;
            if (std::optional<std::string> password =
                    keyring.Read(SitePasswordKey(group.label, name), error)) {
                profile.password = *password;
            } else if (!error.empty()) {
                std::fprintf(stderr, "quillmoor-cli: the password of %s was not read from the keyring: %s\n",
                             name.c_str(), error.c_str());
            }
            return;
        }
    }
}

}  // namespace

CliSiteLookup CatalogueSiteLookup(std::string cataloguePath, PasswordVault* keyring) {
    return [path = std::move(cataloguePath), keyring](const std::string& name, CliSite& site,
                                                      std::string& error) {
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
        SiteLookup lookup = FindSiteByName(catalogue, name);
        if (!lookup.found) {
            error = lookup.error;
            return false;
        }
        // Never a guess: the default could log in without the encryption the
        // site's entry asks for.
        if (const std::string problem = UnknownEncryptionProblem(lookup.profile); !problem.empty()) {
            error = problem;
            return false;
        }
        if (keyring != nullptr) TakePasswordFromKeyring(catalogue, name, *keyring, lookup.profile);
        site = {lookup.profile.host,          lookup.profile.userId,   lookup.profile.password,
                lookup.profile.remoteDir,     lookup.profile.dataMode, lookup.profile.encryption,
                lookup.profile.tlsFingerprint};
        return true;
    };
}
