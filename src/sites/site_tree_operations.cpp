// The operations the store, the frame and the list view call on the site tree.
#include <QStringList>

#include "sites/catalogue_entries.h"
#include "sites/site_list_port.h"
#include "sites/site_tree.h"

namespace {

bool IsWithin(QModelIndex index, const QModelIndex& ancestor) {
    for (; index.isValid(); index = index.parent()) {
        if (index == ancestor) return true;
    }
    return false;
}

}  // namespace

QModelIndex SiteTree::ChildOfCurrent(const QString& label) const {
    return catalogue.ChildLabelled(currentNode, label);
}

QModelIndex SiteTree::AddGroup(const QString& label) { return catalogue.AddGroup(label); }

void SiteTree::AddProfile(const SiteProfile& profile) { catalogue.AddProfile(profile); }

QModelIndex SiteTree::AddProfileToCurrentGroup(SiteProfile profile) {
    // The group around the current node, so that a current site or directory
    // never becomes the name of a new group.
    profile.group = FromQt(catalogue.LabelAt(EnclosingGroup()));
    return catalogue.AddProfile(profile);
}

QModelIndex SiteTree::AddDirectoryNode(const QString& name) {
    const QModelIndex directory = catalogue.AddDirectory(currentNode, name);
    if (!directory.isValid()) return {};
    // Expanding and scrolling lay the view out again: only when it changes.
    const QModelIndex group = EnclosingGroup();
    if (!isExpanded(currentNode) || (group.isValid() && !isExpanded(group))) {
        setExpanded(currentNode, true);
        if (group.isValid()) setExpanded(group, true);
        scrollTo(currentNode);
    }
    return directory;
}

void SiteTree::WalkToPath(const QString& path) {
    // Empty components count: a leading "/" gives the root's empty-labelled item.
    WalkLabels(path.split(QLatin1Char('/')));
}

void SiteTree::WalkLabels(const QStringList& labels) {
    for (const QString& label : labels) {
        currentNode = AddDirectoryNode(label);
        if (!currentNode.isValid()) return;
    }
}

QModelIndex SiteTree::FindSite(const QString& name) const { return catalogue.FindSite(name); }

void SiteTree::FollowPlace(const RemotePlace& place) {
    if (!place.connected) {
        // The list shows the site's group again, not a folder that is gone.
        const QModelIndex site = FindSite(followedSite);
        if (site.isValid() && IsWithin(currentNode, site)) currentNode = site.parent();
        followedSite.clear();
        return;
    }
    // A quick connection has no node: its folders are not kept.
    if (place.quick) return;
    const QModelIndex site = FindSite(place.site);
    if (!site.isValid()) return;
    followedSite = place.site;
    currentNode = site;
    WalkLabels(remote_path::LabelsBelowSite(place.home, place.path));
    following = true;
    setCurrentIndex(currentNode);
    scrollTo(currentNode);
    following = false;
}

void SiteTree::SelectChildByLabel(const QString& label) {
    if (const QModelIndex child = ChildOfCurrent(label); child.isValid()) currentNode = child;
}

ItemKind SiteTree::CurrentKind() const { return KindOf(currentNode); }

ItemKind SiteTree::KindOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<ItemKind>(index.data(CatalogueModel::KindRole).toInt())
                           : ItemKind::None;
}

QModelIndex SiteTree::FindChildProfile(const QString& label, SiteProfile* profile) const {
    const QModelIndex child = ChildOfCurrent(label);
    if (profile && KindOf(child) == ItemKind::Site) *profile = catalogue.ProfileAt(child);
    return child;
}

void SiteTree::ReplaceChildProfile(const QString& label, const SiteProfile& profile) {
    catalogue.SetProfile(ChildOfCurrent(label), profile);
}

void SiteTree::RelabelGroup(const QString& oldLabel, const QString& newLabel) {
    const QModelIndex group = catalogue.ChildLabelled({}, oldLabel);
    if (group.isValid()) catalogue.Rename(group, newLabel);
}

void SiteTree::RenameChildSite(const QString& oldName, const QString& newName) {
    if (!currentNode.isValid()) return;
    const QModelIndex child = catalogue.ChildLabelled(currentNode, oldName);
    if (KindOf(child) == ItemKind::Site) catalogue.Rename(child, newName);
}

void SiteTree::RenameItem(const QModelIndex& index, const QString& newName) {
    const QPersistentModelIndex item = index;
    const QString oldName = catalogue.LabelAt(item);
    switch (KindOf(item)) {
        case ItemKind::Directory:
            // The list may drop the folder's node while the server renames it.
            if (listPort && listPort->RenameDirectoryByName(oldName, newName) && item.isValid())
                catalogue.Rename(item, newName);
            return;
        case ItemKind::Site:
        case ItemKind::Group:
            catalogue.Rename(item, newName);
            break;
        default:
            return;
    }
    if (listPort) listPort->SetItemLabel(oldName, newName);
}

QString SiteTree::CurrentLabel() const { return catalogue.LabelAt(currentNode); }

QModelIndex SiteTree::EnclosingGroup() const { return catalogue.GroupOf(currentNode); }

bool SiteTree::CurrentSiteAndPath(SiteProfile& profile, QString& path) const {
    const QModelIndex site = catalogue.SiteOf(currentNode);
    if (!site.isValid()) return false;
    profile = catalogue.ProfileAt(site);
    // Labels strictly between the site and the current node.
    QStringList between = catalogue.LabelsBelowSite(currentNode);
    if (!between.isEmpty()) between.removeLast();
    path.clear();
    for (const QString& label : between) path += label + QLatin1Char('/');
    return true;
}

void SiteTree::RemoveByLabel(const QString& label) { RemoveItem(ChildOfCurrent(label)); }

void SiteTree::RemoveItem(const QModelIndex& index) {
    if (!index.isValid()) return;
    // The current node must never point at a removed item: it moves up to the
    // parent of what goes.
    if (IsWithin(currentNode, index)) currentNode = index.parent();
    removingItems = true;
    catalogue.Remove(index);
    removingItems = false;
}
