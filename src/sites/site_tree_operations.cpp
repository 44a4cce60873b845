// The operations the store, the frame and the list view call on the site tree.
#include <QStringList>

#include "sites/catalogue_entries.h"
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

QModelIndex SiteTree::AddProfileToGroupOf(const QModelIndex& node, SiteProfile profile) {
    profile.group = FromQt(catalogue.LabelAt(catalogue.GroupOf(node)));
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
    followed = place;
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

ItemKind SiteTree::CurrentKind() const { return KindOf(currentNode); }

ItemKind SiteTree::KindOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<ItemKind>(index.data(CatalogueModel::KindRole).toInt())
                           : ItemKind::None;
}

void SiteTree::RenameItem(const QModelIndex& index, const QString& newName) {
    const QString oldName = catalogue.LabelAt(index);
    switch (KindOf(index)) {
        case ItemKind::Directory:
            // The server renames it; the folder's node follows the list.
            emit folderRenameRequested(oldName, newName);
            return;
        case ItemKind::Site:
        case ItemKind::Group:
            catalogue.Rename(index, newName);
            emit labelChanged(oldName, newName);
            return;
        default:
            return;
    }
}

void SiteTree::RemoveFolderNode(const QString& name) {
    // Only a catalogue site's folders have nodes; a quick connection's folder
    // must never take a site or group of the same label with it.
    if (!followed.connected || followed.quick) return;
    const QModelIndex folder = ChildOfCurrent(name);
    if (KindOf(folder) == ItemKind::Directory) RemoveItem(folder);
}

void SiteTree::RememberCertificate(const SiteProfile& profile, const std::string& fingerprint) {
    for (int group = 0; group < catalogue.rowCount(); ++group) {
        const QModelIndex groupIndex = catalogue.index(group, 0);
        if (!profile.group.empty() && FromQt(catalogue.LabelAt(groupIndex)) != profile.group) continue;
        for (int row = 0; row < catalogue.rowCount(groupIndex); ++row) {
            const QModelIndex site = catalogue.index(row, 0, groupIndex);
            SiteProfile stored = catalogue.ProfileAt(site);
            if (stored.name != profile.name || stored.host != profile.host) continue;
            stored.tlsFingerprint = fingerprint;
            catalogue.SetProfile(site, stored);
            SaveCatalogue();
            return;
        }
    }
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

void SiteTree::RemoveItem(const QModelIndex& index) {
    if (index.isValid()) catalogue.Remove(index);
}

void SiteTree::OnRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) {
    removingItems = true;
    // The current node must never point at a removed item: it moves up to the
    // parent of what goes.
    for (int row = first; row <= last; ++row) {
        if (IsWithin(currentNode, catalogue.index(row, 0, parent))) currentNode = parent;
    }
}
