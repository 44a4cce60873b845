#pragma once

#include "sites/store/catalogue_tree.h"

class QTreeWidget;
class QTreeWidgetItem;

// The site tree's two top levels seen as a catalogue: groups at the top, their
// sites below. Directory items are never part of it.
class SiteTreeCatalogue : public CatalogueTree {
public:
    explicit SiteTreeCatalogue(QTreeWidget& tree) : tree(tree) {}

    int GroupCount() const override;
    std::string GroupLabel(int group) const override;
    int SiteCount(int group) const override;
    std::string SiteLabel(int group, int site) const override;
    SiteProfile SiteAt(int group, int site) const override;
    int AppendGroup(const std::string& label) override;
    void InsertSite(int group, int position, const SiteProfile& profile) override;
    void AppendSites(int group, const std::vector<SiteProfile>& profiles) override;
    std::vector<SiteProfile> SitesOf(int group) const override;
    std::vector<std::string> SiteLabels(int group) const override;

    // The item of site number `site` of the group (null when there is none).
    QTreeWidgetItem* SiteItem(int group, int site) const;

private:
    QTreeWidget& tree;
};
