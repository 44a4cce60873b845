#include "sites/store/site_store.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "sites/store/atomic_file.h"
#include "sites/store/catalogue_format.h"

SiteStore::SiteStore(std::string path, LogSink log) : path(std::move(path)), log(std::move(log)) {}

void SiteStore::Log(const std::string& line) const {
    if (log) log(line);
}

CatalogueLoad SiteStore::LoadCatalogue(CatalogueTree& tree) const {
    std::error_code status;
    if (!std::filesystem::exists(path, status) && !status) return CatalogueLoad::Missing;
    std::ifstream file(path, std::ios::binary);
    if (!file || !std::filesystem::is_regular_file(path, status)) {
        Log("Site catalogue " + path + " cannot be read: " + std::strerror(errno));
        return CatalogueLoad::Unreadable;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        Log("Site catalogue " + path + " cannot be read: " + std::strerror(errno));
        return CatalogueLoad::Unreadable;
    }
    ReadCatalogueText(text.str(), tree);
    return CatalogueLoad::Loaded;
}

void SiteStore::AddProfile(CatalogueTree& tree, const SiteProfile& profile) { PlaceProfile(tree, profile); }

std::string SiteStore::CatalogueText(const CatalogueTree& tree) const {
    std::string text;
    std::vector<std::string> notes;
    for (int group = 0; group < tree.GroupCount(); ++group) {
        const std::string label = tree.GroupLabel(group);
        const int sites = tree.SiteCount(group);
        if (sites == 0) {
            SiteProfile placeholder;
            placeholder.name = kGroupPlaceholderName;
            placeholder.group = label;
            WriteEntry(text, placeholder, &notes);
        }
        for (int site = 0; site < sites; ++site) {
            SiteProfile profile = tree.SiteAt(group, site);
            profile.group = label;
            WriteEntry(text, profile, &notes);
        }
    }
    for (const auto& note : notes) Log("Site catalogue: " + note);
    return text;
}

bool SiteStore::SaveCatalogue(const CatalogueTree& tree) const {
    std::string error;
    if (ReplaceFileAtomically(path, CatalogueText(tree), error)) return true;
    Log("Site catalogue not saved, the previous file is kept: " + error);
    return false;
}
