#include "sites/store/site_store.h"

#include <ctime>
#include <filesystem>
#include <set>
#include <vector>

#include "sites/store/atomic_file.h"
#include "sites/store/catalogue_encoding.h"
#include "sites/store/catalogue_format.h"
#include "sites/store/regular_file.h"
#include "sites/store/site_catalogue.h"
#include "sites/store/vaulted_passwords.h"

SiteStore::SiteStore(std::string path, LogSink log) : path(std::move(path)), log(std::move(log)) {}

SiteStore::~SiteStore() = default;

void SiteStore::SetPasswordVault(PasswordVault* vault) {
    if (vault == nullptr) {
        passwords.reset();
        return;
    }
    passwords = std::make_unique<VaultedPasswords>(*vault, [this](const std::string& line) { Log(line); });
}

// Reads the entries apart first, so the passwords the vault holds are in the
// profiles before the tree (and whoever watches it) sees them.
std::size_t SiteStore::ReadWithVault(const std::string& text, CatalogueTree& tree) const {
    SiteCatalogue read;
    const std::size_t entries = ReadCatalogueText(text, read);
    passwordsInFile = passwords->FillIn(read);
    std::vector<SiteProfile> profiles;
    for (const SiteCatalogue::Group& group : read.groups) {
        if (group.sites.empty()) {
            SiteProfile placeholder;
            placeholder.name = kGroupPlaceholderName;
            placeholder.group = group.label;
            profiles.push_back(placeholder);
        }
        for (SiteProfile site : group.sites) {
            site.group = group.label;
            profiles.push_back(std::move(site));
        }
    }
    PlaceProfiles(tree, std::move(profiles));
    return entries;
}

void SiteStore::Log(const std::string& line) const {
    if (log) log(line);
}

CatalogueLoad SiteStore::LoadCatalogue(CatalogueTree& tree, std::string* problem) const {
    std::string bytes;
    std::string error;
    switch (ReadRegularFile(path, bytes, error)) {
        case FileRead::Missing:
            return CatalogueLoad::Missing;
        case FileRead::Failed: {
            const std::string line = "Site catalogue " + path + " cannot be read: " + error;
            Log(line);
            if (problem) *problem = line;
            return CatalogueLoad::Unreadable;
        }
        case FileRead::Read:
            break;
    }
    const std::string text = CatalogueTextFromFile(std::move(bytes));
    const bool blank = text.find_first_not_of(" \t\r\n") == std::string::npos;
    const bool binary = LooksBinary(text);
    passwordsInFile = 0;
    const std::size_t entries = binary ? 0 : passwords ? ReadWithVault(text, tree) : ReadCatalogueText(text, tree);
    if (binary || (entries == 0 && !blank)) {
        const std::string line = "Site catalogue " + path + " holds no entry this program can read";
        Log(line);
        if (problem) *problem = line;
        return CatalogueLoad::NotUnderstood;
    }
    return CatalogueLoad::Loaded;
}

std::string SiteStore::SetAsideUnreadable(std::string& error) const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string aside = path + ".unreadable-" + stamp;
    std::error_code status;
    for (int copy = 2; std::filesystem::exists(aside, status); ++copy)
        aside = path + ".unreadable-" + stamp + "-" + std::to_string(copy);
    std::filesystem::rename(path, aside, status);
    if (status) {
        error = status.message();
        Log("Site catalogue " + path + " could not be set aside: " + error);
        return {};
    }
    Log("Site catalogue " + path + " kept unchanged as " + aside);
    return aside;
}

void SiteStore::RemoveAbandonedTemporaries() const {
    if (const int removed = ::RemoveAbandonedTemporaries(path); removed > 0)
        Log("Site catalogue: removed " + std::to_string(removed) +
            " temporary copy(ies) left by an interrupted save");
}

void SiteStore::AddProfile(CatalogueTree& tree, const SiteProfile& profile) { PlaceProfile(tree, profile); }

std::string SiteStore::CatalogueText(const CatalogueTree& tree) const {
    std::string text;
    std::vector<std::string> notes;
    std::set<std::string> keptKeys;
    for (int group = 0; group < tree.GroupCount(); ++group) {
        const std::string label = tree.GroupLabel(group);
        const int sites = tree.SiteCount(group);
        if (sites == 0) {
            SiteProfile placeholder;
            placeholder.name = kGroupPlaceholderName;
            placeholder.group = label;
            WriteEntry(text, placeholder, &notes);
        }
        for (SiteProfile& profile : tree.SitesOf(group)) {
            profile.group = label;
            bool writePassword = true;
            if (passwords) {
                const std::string key = SitePasswordKey(label, profile.name);
                writePassword = !passwords->Keep(key, profile.password) && !profile.password.empty();
                if (!writePassword && !profile.password.empty()) keptKeys.insert(key);
            }
            WriteEntry(text, profile, &notes, writePassword);
        }
    }
    if (passwords) passwords->ForgetAllBut(keptKeys);
    for (const auto& note : notes) Log("Site catalogue: " + note);
    return text;
}

bool SiteStore::SaveCatalogue(const CatalogueTree& tree) const {
    std::string error;
    if (ReplaceFileAtomically(path, CatalogueText(tree), error)) return true;
    Log("Site catalogue not saved, the previous file is kept: " + error);
    return false;
}
