#include "sites/store/catalogue_tree.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace {

// Orders the way a sorted tree insert does: letters compare without case.
bool LabelLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The order inserting one by one after any equal label gives: a stable sort.
// Lowering each label once, and moving each profile once, keeps it cheap.
std::vector<SiteProfile> SortedByLabel(std::vector<SiteProfile> sites) {
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(sites.size());
    for (std::size_t index = 0; index < sites.size(); ++index)
        keys.emplace_back(Lowered(sites[index].name), index);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<SiteProfile> sorted;
    sorted.reserve(sites.size());
    for (const auto& key : keys) sorted.push_back(std::move(sites[key.second]));
    return sorted;
}

int FindGroup(const CatalogueTree& tree, const std::string& label) {
    for (int index = 0; index < tree.GroupCount(); ++index) {
        if (tree.GroupLabel(index) == label) return index;
    }
    return -1;
}

}  // namespace

void CatalogueTree::AppendSites(int group, const std::vector<SiteProfile>& profiles) {
    for (const SiteProfile& profile : profiles) InsertSite(group, SiteCount(group), profile);
}

std::vector<SiteProfile> CatalogueTree::SitesOf(int group) const {
    std::vector<SiteProfile> sites;
    const int count = SiteCount(group);
    sites.reserve(static_cast<std::size_t>(count));
    for (int site = 0; site < count; ++site) sites.push_back(SiteAt(group, site));
    return sites;
}

std::vector<std::string> CatalogueTree::SiteLabels(int group) const {
    std::vector<std::string> labels;
    const int count = SiteCount(group);
    labels.reserve(static_cast<std::size_t>(count));
    for (int site = 0; site < count; ++site) labels.push_back(SiteLabel(group, site));
    return labels;
}

int SortedSitePosition(const CatalogueTree& tree, int group, const std::string& label) {
    const std::vector<std::string> labels = tree.SiteLabels(group);
    for (std::size_t site = 0; site < labels.size(); ++site) {
        if (LabelLess(label, labels[site])) return static_cast<int>(site);
    }
    return static_cast<int>(labels.size());
}

SitePlace PlaceProfile(CatalogueTree& tree, SiteProfile profile) {
    if (profile.group.empty()) profile.group = kDefaultGroupName;

    SitePlace place;
    place.group = FindGroup(tree, profile.group);
    if (place.group < 0) place.group = tree.AppendGroup(profile.group);

    if (profile.name == kGroupPlaceholderName) return place;
    profile.kind = static_cast<int>(ItemKind::Site);
    place.site = SortedSitePosition(tree, place.group, profile.name);
    tree.InsertSite(place.group, place.site, profile);
    return place;
}

void PlaceProfiles(CatalogueTree& tree, std::vector<SiteProfile> profiles) {
    // Groups by label (the first of equal labels, as FindGroup), and the sites
    // each group receives, in arrival order.
    std::unordered_map<std::string, int> groups;
    for (int index = tree.GroupCount() - 1; index >= 0; --index) groups[tree.GroupLabel(index)] = index;
    std::vector<std::vector<SiteProfile>> arriving(static_cast<std::size_t>(tree.GroupCount()));
    for (SiteProfile& profile : profiles) {
        if (profile.group.empty()) profile.group = kDefaultGroupName;
        auto [found, added] = groups.try_emplace(profile.group, 0);
        if (added) {
            found->second = tree.AppendGroup(profile.group);
            arriving.resize(static_cast<std::size_t>(found->second) + 1);
        }
        if (profile.name == kGroupPlaceholderName) continue;
        profile.kind = static_cast<int>(ItemKind::Site);
        arriving[static_cast<std::size_t>(found->second)].push_back(std::move(profile));
    }
    for (std::size_t group = 0; group < arriving.size(); ++group) {
        std::vector<SiteProfile>& sites = arriving[group];
        if (sites.empty()) continue;
        const int index = static_cast<int>(group);
        if (tree.SiteCount(index) > 0) {
            // A group that had sites before may be in any order; each goes in
            // where a single insert would put it.
            for (const SiteProfile& profile : sites)
                tree.InsertSite(index, SortedSitePosition(tree, index, profile.name), profile);
            continue;
        }
        tree.AppendSites(index, SortedByLabel(std::move(sites)));
    }
}

std::vector<SiteProfile> CatalogueEntries(const CatalogueTree& tree) {
    std::vector<SiteProfile> entries;
    for (int group = 0; group < tree.GroupCount(); ++group) {
        const std::string label = tree.GroupLabel(group);
        std::vector<SiteProfile> sites = tree.SitesOf(group);
        if (sites.empty()) {
            SiteProfile placeholder;
            placeholder.name = kGroupPlaceholderName;
            placeholder.group = label;
            entries.push_back(std::move(placeholder));
        }
        for (SiteProfile& site : sites) {
            site.group = label;
            entries.push_back(std::move(site));
        }
    }
    return entries;
}
