// The operations the store, the frame and the list view call on the site tree.
#include <QStringList>

#include "sites/site_list_port.h"
#include "sites/site_tree.h"
#include "sites/site_tree_items.h"

namespace {

QTreeWidgetItem* ChildLabelled(QTreeWidgetItem* parent, const QString& label) {
    for (int index = 0; index < parent->childCount(); ++index) {
        if (parent->child(index)->text(0) == label) return parent->child(index);
    }
    return nullptr;
}

bool IsWithin(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor) {
    for (; item; item = item->parent()) {
        if (item == ancestor) return true;
    }
    return false;
}

}  // namespace

QTreeWidgetItem* SiteTree::ChildOfCurrent(const QString& label) const {
    if (currentNode) return ChildLabelled(currentNode, label);
    for (int index = 0; index < topLevelItemCount(); ++index) {
        if (topLevelItem(index)->text(0) == label) return topLevelItem(index);
    }
    return nullptr;
}

QTreeWidgetItem* SiteTree::AddGroup(const QString& label) {
    QTreeWidgetItem* group = MakeGroupItem(label);
    addTopLevelItem(group);
    return group;
}

void SiteTree::AddProfile(const SiteProfile& profile) { SiteStore::AddProfile(catalogue, profile); }

QTreeWidgetItem* SiteTree::AddProfileToCurrentGroup(SiteProfile profile) {
    // The group around the current node, so that a current site or directory
    // never becomes the name of a new group.
    const QTreeWidgetItem* group = EnclosingGroup();
    profile.group = group ? FromQt(group->text(0)) : std::string();
    const SitePlace place = PlaceProfile(catalogue, profile);
    return catalogue.SiteItem(place.group, place.site);
}

void SiteTree::ForgetChildIndex() {
    if (indexing) return;
    indexedParent = nullptr;
    childIndex.clear();
}

QTreeWidgetItem* SiteTree::IndexedChild(QTreeWidgetItem* parent, const QString& label) {
    if (indexedParent != parent) {
        ForgetChildIndex();
        // The first child of a label wins, as in a search from the top.
        for (int index = parent->childCount() - 1; index >= 0; --index)
            childIndex.insert(parent->child(index)->text(0), parent->child(index));
        indexedParent = parent;
    }
    return childIndex.value(label);
}

QTreeWidgetItem* SiteTree::AddDirectoryNode(const QString& name) {
    if (!currentNode) return nullptr;
    if (QTreeWidgetItem* existing = IndexedChild(currentNode, name)) return existing;
    QTreeWidgetItem* directory = MakeDirectoryItem(name);
    indexing = true;
    currentNode->addChild(directory);
    childIndex.insert(name, directory);
    indexing = false;
    // Expanding and scrolling lay the view out again: only when it changes.
    QTreeWidgetItem* group = EnclosingGroup();
    if (!currentNode->isExpanded() || (group && !group->isExpanded())) {
        currentNode->setExpanded(true);
        if (group) group->setExpanded(true);
        scrollToItem(currentNode);
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
        if (!currentNode) return;
    }
}

QTreeWidgetItem* SiteTree::FindSite(const QString& name) const {
    for (int index = 0; index < topLevelItemCount(); ++index) {
        QTreeWidgetItem* top = topLevelItem(index);
        if (KindOf(top) == ItemKind::Site && top->text(0) == name) return top;
        QTreeWidgetItem* child = ChildLabelled(top, name);
        if (KindOf(child) == ItemKind::Site) return child;
    }
    return nullptr;
}

void SiteTree::FollowPlace(const RemotePlace& place) {
    if (!place.connected) {
        // The list shows the site's group again, not a folder that is gone.
        QTreeWidgetItem* site = FindSite(followedSite);
        if (site && IsWithin(currentNode, site)) currentNode = site->parent();
        followedSite.clear();
        return;
    }
    // A quick connection has no node: its folders are not kept.
    if (place.quick) return;
    QTreeWidgetItem* site = FindSite(place.site);
    if (!site) return;
    followedSite = place.site;
    currentNode = site;
    WalkLabels(remote_path::LabelsBelowSite(place.home, place.path));
    following = true;
    setCurrentItem(currentNode);
    scrollToItem(currentNode);
    following = false;
}

void SiteTree::SelectChildByLabel(const QString& label) {
    if (QTreeWidgetItem* child = ChildOfCurrent(label)) currentNode = child;
}

ItemKind SiteTree::CurrentKind() const { return KindOf(currentNode); }

ItemKind SiteTree::KindOf(const QTreeWidgetItem* item) { return ::KindOf(item); }

QTreeWidgetItem* SiteTree::FindChildProfile(const QString& label, SiteProfile* profile) const {
    QTreeWidgetItem* child = ChildOfCurrent(label);
    if (profile && KindOf(child) == ItemKind::Site) *profile = ProfileOf(child);
    return child;
}

void SiteTree::ReplaceChildProfile(const QString& label, const SiteProfile& profile) {
    QTreeWidgetItem* child = ChildOfCurrent(label);
    if (KindOf(child) == ItemKind::Site) SetProfileOf(child, profile);
}

void SiteTree::RelabelGroup(const QString& oldLabel, const QString& newLabel) {
    for (int index = 0; index < topLevelItemCount(); ++index) {
        if (topLevelItem(index)->text(0) == oldLabel) {
            topLevelItem(index)->setText(0, newLabel);
            return;
        }
    }
}

void SiteTree::RenameChildSite(const QString& oldName, const QString& newName) {
    if (!currentNode) return;
    QTreeWidgetItem* child = ChildLabelled(currentNode, oldName);
    if (KindOf(child) != ItemKind::Site) return;
    SiteProfile profile = ProfileOf(child);
    profile.name = FromQt(newName);
    SetProfileOf(child, profile);
    child->setText(0, newName);
}

void SiteTree::RenameItem(QTreeWidgetItem* item, const QString& newName) {
    const QString oldName = item ? item->text(0) : QString();
    switch (KindOf(item)) {
        case ItemKind::Directory:
            if (listPort && listPort->RenameDirectoryByName(oldName, newName)) item->setText(0, newName);
            return;
        case ItemKind::Site: {
            SiteProfile profile = ProfileOf(item);
            profile.name = FromQt(newName);
            SetProfileOf(item, profile);
            item->setText(0, newName);
            break;
        }
        case ItemKind::Group:
            item->setText(0, newName);
            break;
        default:
            return;
    }
    if (listPort) listPort->SetItemLabel(oldName, newName);
}

QString SiteTree::CurrentLabel() const { return currentNode ? currentNode->text(0) : QString(); }

QTreeWidgetItem* SiteTree::EnclosingGroup() const {
    QTreeWidgetItem* item = currentNode;
    while (item && KindOf(item) != ItemKind::Group) item = item->parent();
    return item;
}

bool SiteTree::CurrentSiteAndPath(SiteProfile& profile, QString& path) const {
    if (!currentNode) return false;
    QStringList between;
    const QTreeWidgetItem* item = currentNode;
    if (KindOf(item) != ItemKind::Site) {
        // Labels strictly between the site and the current node.
        for (item = item->parent(); item && KindOf(item) != ItemKind::Site; item = item->parent())
            between.prepend(item->text(0));
    }
    if (!item) return false;
    profile = ProfileOf(item);
    path.clear();
    for (const QString& label : between) path += label + QLatin1Char('/');
    return true;
}

void SiteTree::RemoveByLabel(const QString& label) { RemoveItem(ChildOfCurrent(label)); }

void SiteTree::RemoveItem(QTreeWidgetItem* item) {
    if (!item) return;
    // The current node must never point at a removed item: it moves up to the
    // parent of what goes.
    if (IsWithin(currentNode, item)) currentNode = item->parent();
    removingItems = true;
    delete item;
    removingItems = false;
}
