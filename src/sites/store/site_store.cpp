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
std::vector<SiteProfile> SiteStore::ReadEntries(const std::string& text) const {
    SiteCatalogue read;
    ReadCatalogueText(text, read);
    if (passwords) passwordsInFile = passwords->FillIn(read);
    return CatalogueEntries(read);
}

void SiteStore::Log(const std::string& line) const {
    if (log) log(line);
}

CatalogueLoad SiteStore::LoadCatalogue(CatalogueTree& tree, std::string* problem) const {
    std::string bytes;
    std::string error;
    switch (ReadRegularFile(path, bytes, error)) {
        case FileRead::Missing:
            fileKnown = true;
            knownBytes.clear();
            knownEntries.clear();
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
    const std::string text = CatalogueTextFromFile(bytes);
    const bool blank = text.find_first_not_of(" \t\r\n") == std::string::npos;
    const bool binary = LooksBinary(text);
    passwordsInFile = 0;
    std::vector<SiteProfile> entries;
    if (!binary) entries = ReadEntries(text);
    if (binary || (entries.empty() && !blank)) {
        const std::string line = "Site catalogue " + path + " holds no entry this program can read";
        Log(line);
        if (problem) *problem = line;
        return CatalogueLoad::NotUnderstood;
    }
    PlaceProfiles(tree, entries);
    fileKnown = true;
    knownBytes = std::move(bytes);
    knownEntries = std::move(entries);
    leadingLines = CatalogueLeadingLines(text);
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

std::string SiteStore::EntriesText(const std::vector<SiteProfile>& entries) const {
    std::string text = leadingLines;
    std::vector<std::string> notes;
    std::set<std::string> keptKeys;
    for (const SiteProfile& profile : entries) {
        bool writePassword = true;
        if (passwords && profile.name != kGroupPlaceholderName) {
            const std::string key = SitePasswordKey(profile.group, profile.name);
            writePassword = !passwords->Keep(key, profile.password) && !profile.password.empty();
            if (!writePassword && !profile.password.empty()) keptKeys.insert(key);
        }
        WriteEntry(text, profile, &notes, writePassword);
    }
    if (passwords) passwords->ForgetAllBut(keptKeys);
    for (const auto& note : notes) Log("Site catalogue: " + note);
    return text;
}

std::string SiteStore::CatalogueText(const CatalogueTree& tree) const { return EntriesText(CatalogueEntries(tree)); }

void SiteStore::MergeOutsideChanges(const std::string& bytes, CatalogueTree& tree) const {
    const std::string text = CatalogueTextFromFile(bytes);
    const std::vector<SiteProfile> file = LooksBinary(text) ? std::vector<SiteProfile>{} : ReadEntries(text);
    if (file.empty() && text.find_first_not_of(" \t\r\n") != std::string::npos) {
        // Whatever replaced the catalogue is not one; it is kept, not overwritten.
        std::string error;
        SetAsideUnreadable(error);
        return;
    }
    Log("Site catalogue " + path + " was changed by another program; its changes are kept");
    ApplyCatalogueEntries(tree, MergeCatalogueEntries(knownEntries, file, CatalogueEntries(tree), resolve));
    leadingLines = CatalogueLeadingLines(text);
}

CatalogueSave SiteStore::SaveCatalogue(CatalogueTree& tree) const {
    std::string bytes;
    std::string error;
    const FileRead now = ReadRegularFile(path, bytes, error);
    const bool changedOutside = fileKnown && now == FileRead::Read && bytes != knownBytes;
    if (changedOutside) MergeOutsideChanges(bytes, tree);

    std::vector<SiteProfile> entries = CatalogueEntries(tree);
    std::string text = EntriesText(entries);
    if (fileKnown && now == FileRead::Read && !changedOutside && text == knownBytes) return {true, {}};
    if (!ReplaceFileAtomically(path, text, error)) {
        Log("Site catalogue not saved, the previous file is kept: " + error);
        return {false, error};
    }
    fileKnown = true;
    knownBytes = std::move(text);
    knownEntries = std::move(entries);
    return {true, {}};
}

CatalogueSave SiteStore::SaveCatalogueAs(const CatalogueTree& tree, const std::string& otherPath) const {
    std::string error;
    if (ReplaceFileAtomically(otherPath, CatalogueText(tree), error)) {
        Log("Site catalogue saved as " + otherPath);
        return {true, {}};
    }
    Log("Site catalogue not saved as " + otherPath + ": " + error);
    return {false, error};
}
