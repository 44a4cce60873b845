#pragma once

#include <QHash>
#include <QTreeWidget>

#include "sites/remote_place.h"
#include "sites/site_tree_catalogue.h"
#include "sites/store/site_store.h"

class SiteListPort;

// The left pane: the site catalogue as groups, their sites and the remote
// directories visited on a site during this run. Between the first show and
// destruction it is the catalogue; it loads the file when first shown and
// writes it back when destroyed. `currentNode` is the place the list view
// shows: a group it lists, or the node of the remote place it follows. Clicks
// on sites and folders ask for a place; the list goes there and the tree then
// follows. Labels are compared exactly.
class SiteTree : public QTreeWidget {
    Q_OBJECT

public:
    explicit SiteTree(SiteStore& store, QWidget* parent = nullptr);
    ~SiteTree() override;

    void SetListPort(SiteListPort* port) { listPort = port; }
    // Receives 2 whenever the tree gets the keyboard focus.
    void SetFocusMarker(int* marker) { focusMarker = marker; }

    // Reads the catalogue once (done on first show when not called earlier). A
    // file that cannot be read is left alone and nothing is saved over it; one
    // read but not understood is renamed aside, both with a message.
    void LoadCatalogue();
    // Writes the catalogue; skipped when the file could not be read at start,
    // so an unreadable catalogue is never replaced by an empty one.
    bool SaveCatalogue();

    // Selects, creating what is missing, the node of the place the list is in;
    // a session that ends leaves the current node on the site's group.
    void FollowPlace(const RemotePlace& place);

    QTreeWidgetItem* CurrentNode() const { return currentNode; }
    void SetCurrentNode(QTreeWidgetItem* node) { currentNode = node; }

    QTreeWidgetItem* AddGroup(const QString& label);
    void AddProfile(const SiteProfile& profile);
    // Places the profile in the current node's group; returns its item.
    QTreeWidgetItem* AddProfileToCurrentGroup(SiteProfile profile);
    // The current node's child directory of that name, added when missing. A
    // listing calls it once per folder, so it costs the same for the 10,000th.
    QTreeWidgetItem* AddDirectoryNode(const QString& name);
    // Moves the current node down by path's labels, adding missing folders.
    void WalkToPath(const QString& path);
    void WalkLabels(const QStringList& labels);
    void SelectChildByLabel(const QString& label);
    ItemKind CurrentKind() const;
    static ItemKind KindOf(const QTreeWidgetItem* item);
    // The site item named name in any group, or null.
    QTreeWidgetItem* FindSite(const QString& name) const;
    QTreeWidgetItem* FindChildProfile(const QString& label, SiteProfile* profile = nullptr) const;
    void ReplaceChildProfile(const QString& label, const SiteProfile& profile);
    void RelabelGroup(const QString& oldLabel, const QString& newLabel);
    void RenameChildSite(const QString& oldName, const QString& newName);
    void RenameItem(QTreeWidgetItem* item, const QString& newName);
    QString CurrentLabel() const;
    QTreeWidgetItem* EnclosingGroup() const;
    bool CurrentSiteAndPath(SiteProfile& profile, QString& path) const;
    void RemoveByLabel(const QString& label);
    void RemoveItem(QTreeWidgetItem* item);

    // The Delete command and its enable rule.
    bool CanDelete() const;
    void DeleteSelected();

    // End of an in-place label edit with the text typed (the delegate calls it
    // once the editor has closed).
    void FinishLabelEdit(QTreeWidgetItem* item, const QString& text);

signals:
    // A site or one of its folders was opened: sitePath is the folder's path
    // below the site (see remote_path::PathOfLabels), empty for the site.
    void locationRequested(const SiteProfile& site, const QString& sitePath);
    // A group was opened; the current node is it.
    void groupOpened();

protected:
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void OnSelectionChanged();
    void OnItemDoubleClicked(QTreeWidgetItem* item);
    void OnItemClicked(QTreeWidgetItem* item);
    void OpenFromTree(QTreeWidgetItem* item);
    QTreeWidgetItem* ChildOfCurrent(const QString& label) const;
    QTreeWidgetItem* IndexedChild(QTreeWidgetItem* parent, const QString& label);
    void ForgetChildIndex();
    void ReportUnreadableCatalogue(CatalogueLoad load, const std::string& problem);
    bool ConfirmDelete(QTreeWidgetItem* item);

    SiteStore& store;
    SiteTreeCatalogue catalogue{*this};
    SiteListPort* listPort = nullptr;
    int* focusMarker = nullptr;
    QTreeWidgetItem* currentNode = nullptr;
    bool loaded = false;
    bool keepFile = false;       // the file was there but unreadable
    bool removingItems = false;  // selection changes caused by a removal open nothing
    bool following = false;      // nor do those made to follow the list
    QString followedSite;        // the catalogue site of the last place followed
    QTreeWidgetItem* openedByPress = nullptr;  // the click that ends this press opens it no more

    // Labels of one item's children, for AddDirectoryNode; any change to the
    // tree's items that it did not make itself drops it.
    QTreeWidgetItem* indexedParent = nullptr;
    QHash<QString, QTreeWidgetItem*> childIndex;
    bool indexing = false;
};
