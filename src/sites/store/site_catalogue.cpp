#include "sites/store/site_catalogue.h"

int SiteCatalogue::GroupCount() const { return static_cast<int>(groups.size()); }

std::string SiteCatalogue::GroupLabel(int group) const { return groups.at(group).label; }

int SiteCatalogue::SiteCount(int group) const { return static_cast<int>(groups.at(group).sites.size()); }

std::string SiteCatalogue::SiteLabel(int group, int site) const {
    return groups.at(group).sites.at(site).name;
}

SiteProfile SiteCatalogue::SiteAt(int group, int site) const { return groups.at(group).sites.at(site); }

int SiteCatalogue::AppendGroup(const std::string& label) {
    groups.push_back(Group{label, {}});
    return GroupCount() - 1;
}

void SiteCatalogue::InsertSite(int group, int position, const SiteProfile& profile) {
    auto& sites = groups.at(group).sites;
    sites.insert(sites.begin() + position, profile);
}

void SiteCatalogue::ReplaceSite(int group, int site, const SiteProfile& profile) {
    groups.at(group).sites.at(site) = profile;
}

void SiteCatalogue::RemoveSite(int group, int site) {
    auto& sites = groups.at(group).sites;
    sites.erase(sites.begin() + site);
}

std::vector<SiteProfile> SiteCatalogue::SitesNamed(const std::string& name) const {
    std::vector<SiteProfile> found;
    for (const auto& group : groups) {
        for (const auto& site : group.sites) {
            if (site.name == name) found.push_back(site);
        }
    }
    return found;
}
