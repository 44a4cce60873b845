#pragma once

#include <string>
#include <vector>

#include "sites/store/catalogue_tree.h"

// The catalogue as plain data, for callers without a site tree (the command-line
// client, tests).
class SiteCatalogue : public CatalogueTree {
public:
    struct Group {
        std::string label;
        std::vector<SiteProfile> sites;
    };

    std::vector<Group> groups;

    int GroupCount() const override;
    std::string GroupLabel(int group) const override;
    int SiteCount(int group) const override;
    std::string SiteLabel(int group, int site) const override;
    SiteProfile SiteAt(int group, int site) const override;
    int AppendGroup(const std::string& label) override;
    void InsertSite(int group, int position, const SiteProfile& profile) override;
    void ReplaceSite(int group, int site, const SiteProfile& profile) override;
    void RemoveSite(int group, int site) override;

    // Every site whose name is exactly `name`, in catalogue order.
    std::vector<SiteProfile> SitesNamed(const std::string& name) const;
};
