#include "sites/store/vaulted_passwords.h"

#include <vector>

#include "sites/store/site_catalogue.h"

int VaultedPasswords::FillIn(SiteCatalogue& catalogue) {
    int inFile = 0;
    for (SiteCatalogue::Group& group : catalogue.groups) {
        for (SiteProfile& site : group.sites) {
            if (!site.password.empty()) {
                ++inFile;
                continue;
            }
            if (!site.savePassword) continue;
            const std::string key = SitePasswordKey(group.label, site.name);
            std::string error;
            if (std::optional<std::string> password = vault.Read(key, error)) {
                site.password = *password;
                held[key] = *password;
            } else if (!error.empty()) {
                log("The password of site " + site.name + " could not be read from the keyring: " + error);
            }
        }
    }
    return inFile;
}

bool VaultedPasswords::Keep(const std::string& key, const std::string& password) {
    if (password.empty()) return false;
    const auto known = held.find(key);
    if (known != held.end() && known->second == password) return true;
    std::string error;
    if (!vault.Store(key, password, error)) {
        log("The keyring did not take the password of " + key + " (" + error + "); the catalogue keeps it.");
        return false;
    }
    held[key] = password;
    return true;
}

void VaultedPasswords::ForgetAllBut(const std::set<std::string>& keysInUse) {
    std::vector<std::string> unused;
    for (const auto& [key, password] : held) {
        if (keysInUse.count(key) == 0) unused.push_back(key);
    }
    for (const std::string& key : unused) {
        std::string error;
        if (vault.Remove(key, error)) {
            held.erase(key);
        } else {
            log("The keyring kept the password of " + key + ": " + error);
        }
    }
}
