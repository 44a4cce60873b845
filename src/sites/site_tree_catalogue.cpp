#include "sites/site_tree_catalogue.h"

#include <QTreeWidget>

#include "sites/site_tree_items.h"

namespace {

// Only site items count as a group's sites; anything else under a group is
// not part of the catalogue.
QTreeWidgetItem* NthSite(QTreeWidgetItem* group, int site) {
    for (int index = 0; index < group->childCount(); ++index) {
        if (KindOf(group->child(index)) == ItemKind::Site && site-- == 0) return group->child(index);
    }
    return nullptr;
}

}  // namespace

int SiteTreeCatalogue::GroupCount() const { return tree.topLevelItemCount(); }

std::string SiteTreeCatalogue::GroupLabel(int group) const {
    return FromQt(tree.topLevelItem(group)->text(0));
}

int SiteTreeCatalogue::SiteCount(int group) const {
    const QTreeWidgetItem* item = tree.topLevelItem(group);
    int count = 0;
    for (int index = 0; index < item->childCount(); ++index)
        count += KindOf(item->child(index)) == ItemKind::Site;
    return count;
}

std::string SiteTreeCatalogue::SiteLabel(int group, int site) const {
    return FromQt(NthSite(tree.topLevelItem(group), site)->text(0));
}

SiteProfile SiteTreeCatalogue::SiteAt(int group, int site) const {
    return ProfileOf(NthSite(tree.topLevelItem(group), site));
}

int SiteTreeCatalogue::AppendGroup(const std::string& label) {
    tree.addTopLevelItem(MakeGroupItem(ToQt(label)));
    return tree.topLevelItemCount() - 1;
}

void SiteTreeCatalogue::InsertSite(int group, int position, const SiteProfile& profile) {
    QTreeWidgetItem* item = tree.topLevelItem(group);
    QTreeWidgetItem* before = NthSite(item, position);
    item->insertChild(before ? item->indexOfChild(before) : item->childCount(), MakeSiteItem(profile));
}

void SiteTreeCatalogue::AppendSites(int group, const std::vector<SiteProfile>& profiles) {
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(profiles.size()));
    for (const SiteProfile& profile : profiles) items.append(MakeSiteItem(profile));
    // One insertion for the whole batch: the view lays out once.
    tree.topLevelItem(group)->addChildren(items);
}

std::vector<SiteProfile> SiteTreeCatalogue::SitesOf(int group) const {
    const QTreeWidgetItem* item = tree.topLevelItem(group);
    std::vector<SiteProfile> sites;
    sites.reserve(static_cast<std::size_t>(item->childCount()));
    for (int index = 0; index < item->childCount(); ++index) {
        if (KindOf(item->child(index)) == ItemKind::Site) sites.push_back(ProfileOf(item->child(index)));
    }
    return sites;
}

std::vector<std::string> SiteTreeCatalogue::SiteLabels(int group) const {
    const QTreeWidgetItem* item = tree.topLevelItem(group);
    std::vector<std::string> labels;
    for (int index = 0; index < item->childCount(); ++index) {
        if (KindOf(item->child(index)) == ItemKind::Site)
            labels.push_back(FromQt(item->child(index)->text(0)));
    }
    return labels;
}

QTreeWidgetItem* SiteTreeCatalogue::SiteItem(int group, int site) const {
    return group < 0 || site < 0 ? nullptr : NthSite(tree.topLevelItem(group), site);
}
