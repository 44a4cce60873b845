#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>

#include "sites/store/password_vault.h"

class SiteCatalogue;

// Keeps the passwords of the catalogue's sites in a vault rather than in the
// file: fills them in when the file is read and hands them over when it is
// written. A password the vault does not take stays in the file, so a
// failing keyring never loses one.
class VaultedPasswords {
public:
    using Log = std::function<void(const std::string& line)>;

    VaultedPasswords(PasswordVault& vault, Log log) : vault(vault), log(std::move(log)) {}

    // Gives every site that saves its password but whose entry has none the
    // one the vault holds. Returns how many entries held a password themselves.
    int FillIn(SiteCatalogue& catalogue);
    // Whether the vault holds this password under key now (it is stored when
    // it differs from what the vault was last known to hold). False: the file
    // has to keep it.
    bool Keep(const std::string& key, const std::string& password);
    // Removes the passwords this run read or stored whose keys are no longer
    // used (a site renamed, deleted, or without a password now).
    void ForgetAllBut(const std::set<std::string>& keysInUse);

private:
    PasswordVault& vault;
    Log log;
    std::map<std::string, std::string> held;  // what the vault holds, as far as this run knows
};
