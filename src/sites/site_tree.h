#pragma once

#include <QPersistentModelIndex>
#include <QTreeView>

#include "sites/catalogue_autosave.h"
#include "sites/catalogue_model.h"
#include "sites/remote_place.h"
#include "sites/store/site_store.h"

// The left pane: a view of the site catalogue (groups, their sites and the
// remote directories visited on a site during this run), which it owns. It
// loads the catalogue file when first shown, writes it a moment after each
// change (CatalogueAutosave) and once more when destroyed; a site another
// program changed too is decided by the user (AskSiteConflict). `currentNode`
// is the place the list view shows: a group it lists (SetCurrentNode), or the node
// of the remote place it is in (FollowPlace). The tree never moves the list:
// clicks on groups, sites and folders, and edits that need the server, only
// ask by signal; the list goes there and the tree then follows. Labels are
// compared exactly.
class SiteTree : public QTreeView {
    Q_OBJECT

public:
    explicit SiteTree(SiteStore& store, QWidget* parent = nullptr);
    ~SiteTree() override;

    CatalogueModel& Catalogue() { return catalogue; }
    const CatalogueModel& Catalogue() const { return catalogue; }

    // Reads the catalogue once (done on first show when not called earlier). A
    // file that cannot be read is left alone and nothing is saved over it; one
    // read but not understood is renamed aside, both with a message.
    void LoadCatalogue();
    // Writes the catalogue; skipped when the file could not be read at start,
    // so an unreadable catalogue is never replaced by an empty one. A failure
    // is told to the user once (see CatalogueAutosave).
    CatalogueSave SaveCatalogue();
    // The same, telling no one: the exit asks the user itself.
    CatalogueSave SaveCatalogueQuietly();
    bool CatalogueUnsaved() const { return autosave.Unsaved(); }
    bool CatalogueSavePending() const { return autosave.SavePending(); }
    const std::string& CataloguePath() const { return store.Path(); }
    // Writes the catalogue to another file; the tree's own file stays as it is.
    CatalogueSave SaveCatalogueAs(const std::string& path) const;
    // The user chose to lose the changes the file lacks: no more writes.
    void DiscardUnsavedChanges() { discarded = true; }

    // Selects, creating what is missing, the node of the place the list is in;
    // a session that ends leaves the current node on the site's group.
    void FollowPlace(const RemotePlace& place);
    // A folder of the list's directory is gone from the server (renamed or
    // deleted): its node under the current node goes too.
    void RemoveFolderNode(const QString& name);
    // Stores a certificate the user trusted with the catalogue site it was
    // offered for, and saves the catalogue, so that the next connection does
    // not ask again.
    void RememberCertificate(const SiteProfile& profile, const std::string& fingerprint);

    QModelIndex CurrentNode() const { return currentNode; }
    // The list shows this group's sites (invalid: the groups).
    void SetCurrentNode(const QModelIndex& node) { currentNode = node; }

    QModelIndex AddGroup(const QString& label);
    void AddProfile(const SiteProfile& profile);
    // Places the profile in the group around node (the groups' own default
    // when node is invalid): a site or folder never names a new group.
    // Returns its item.
    QModelIndex AddProfileToGroupOf(const QModelIndex& node, SiteProfile profile);
    // The current node's child directory of that name, added when missing. A
    // listing calls it once per folder, so it costs the same for the 10,000th.
    QModelIndex AddDirectoryNode(const QString& name);
    // Moves the current node down by path's labels, adding missing folders.
    void WalkToPath(const QString& path);
    void WalkLabels(const QStringList& labels);
    ItemKind CurrentKind() const;
    static ItemKind KindOf(const QModelIndex& index);
    // The site named name in any group, or an invalid index.
    QModelIndex FindSite(const QString& name) const;
    void RenameItem(const QModelIndex& index, const QString& newName);
    QString CurrentLabel() const;
    QModelIndex EnclosingGroup() const;
    bool CurrentSiteAndPath(SiteProfile& profile, QString& path) const;
    void RemoveItem(const QModelIndex& index);
    // The entry selected in the tree (invalid when none is).
    QModelIndex SelectedNode() const;

    // The Delete command and its enable rule.
    bool CanDelete() const;
    void DeleteSelected();

    // End of an in-place label edit with the text typed (the delegate calls it
    // once the editor has closed).
    void FinishLabelEdit(const QModelIndex& index, const QString& text);

signals:
    // A site or one of its folders was opened: sitePath is the folder's path
    // below the site (see remote_path::PathOfLabels), empty for the site.
    void placeRequested(const SiteProfile& site, const QString& sitePath);
    // A group was opened: the list is asked to show its sites.
    void groupOpened(const QModelIndex& group);
    // A site or group label was edited: the list relabels the item it shows.
    void labelChanged(const QString& oldName, const QString& newName);
    // A folder's label was edited: the list renames the folder of that name
    // on the server and lists again (the tree then learns the new name).
    void folderRenameRequested(const QString& oldName, const QString& newName);
    // The session is to end first (asking the user when `ask` is set); it
    // stays when the user declines, which the tree learns from FollowPlace.
    void disconnectRequested(bool ask);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void OnSelectionChanged();
    void OnDoubleClicked();
    void OnClicked(const QModelIndex& index);
    void OpenFromTree(const QModelIndex& index);
    QModelIndex ChildOfCurrent(const QString& label) const;
    void ReportUnreadableCatalogue(const QString& message);
    bool ConfirmDelete(const QModelIndex& index);
    // Whether the list's session is on the host of `site`.
    bool SessionOnHostOf(const SiteProfile& site) const;
    // Keeps the current node off rows about to go, and keeps their selection
    // changes from opening anything, whoever removes them.
    void OnRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last);

    SiteStore& store;
    CatalogueModel catalogue{store};
    CatalogueAutosave autosave{catalogue, this};
    bool discarded = false;
    QPersistentModelIndex currentNode;
    RemotePlace followed;                 // the last place of the list followed
    QString followedSite;                 // the catalogue site of the last place followed
    bool removingItems = false;           // selection changes caused by a removal open nothing
    bool following = false;               // nor do those made to follow the list
    QPersistentModelIndex openedByPress;  // the click that ends this press opens it no more
};
