#pragma once

#include <QPersistentModelIndex>
#include <QTreeView>

#include "sites/catalogue_autosave.h"
#include "sites/catalogue_model.h"
#include "sites/remote_place.h"
#include "sites/store/site_store.h"

class SiteListPort;

// The left pane: a view of the site catalogue (groups, their sites and the
// remote directories visited on a site during this run), which it owns. It
// loads the catalogue file when first shown, writes it a moment after each
// change (CatalogueAutosave) and once more when destroyed; a site another
// program changed too is decided by the user (AskSiteConflict). `currentNode` is the place the
// list view shows: a group it lists, or the node of the remote place it follows. Clicks on sites and folders
// ask for a place; the list goes there and the tree then follows. Labels are compared exactly.
class SiteTree : public QTreeView {
    Q_OBJECT

public:
    explicit SiteTree(SiteStore& store, QWidget* parent = nullptr);
    ~SiteTree() override;

    CatalogueModel& Catalogue() { return catalogue; }
    const CatalogueModel& Catalogue() const { return catalogue; }

    void SetListPort(SiteListPort* port) { listPort = port; }
    // Receives 2 whenever the tree gets the keyboard focus.
    void SetFocusMarker(int* marker) { focusMarker = marker; }

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

    QModelIndex CurrentNode() const { return currentNode; }
    void SetCurrentNode(const QModelIndex& node) { currentNode = node; }

    QModelIndex AddGroup(const QString& label);
    void AddProfile(const SiteProfile& profile);
    // Places the profile in the current node's group; returns its item.
    QModelIndex AddProfileToCurrentGroup(SiteProfile profile);
    // The current node's child directory of that name, added when missing. A
    // listing calls it once per folder, so it costs the same for the 10,000th.
    QModelIndex AddDirectoryNode(const QString& name);
    // Moves the current node down by path's labels, adding missing folders.
    void WalkToPath(const QString& path);
    void WalkLabels(const QStringList& labels);
    void SelectChildByLabel(const QString& label);
    ItemKind CurrentKind() const;
    static ItemKind KindOf(const QModelIndex& index);
    // The site named name in any group, or an invalid index.
    QModelIndex FindSite(const QString& name) const;
    QModelIndex FindChildProfile(const QString& label, SiteProfile* profile = nullptr) const;
    void ReplaceChildProfile(const QString& label, const SiteProfile& profile);
    void RelabelGroup(const QString& oldLabel, const QString& newLabel);
    void RenameChildSite(const QString& oldName, const QString& newName);
    void RenameItem(const QModelIndex& index, const QString& newName);
    QString CurrentLabel() const;
    QModelIndex EnclosingGroup() const;
    bool CurrentSiteAndPath(SiteProfile& profile, QString& path) const;
    void RemoveByLabel(const QString& label);
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
    void OnDoubleClicked();
    void OnClicked(const QModelIndex& index);
    void OpenFromTree(const QModelIndex& index);
    QModelIndex ChildOfCurrent(const QString& label) const;
    void ReportUnreadableCatalogue(const QString& message);
    bool ConfirmDelete(const QModelIndex& index);

    SiteStore& store;
    CatalogueModel catalogue{store};
    CatalogueAutosave autosave{catalogue, this};
    bool discarded = false;
    SiteListPort* listPort = nullptr;
    int* focusMarker = nullptr;
    QPersistentModelIndex currentNode;
    bool removingItems = false;           // selection changes caused by a removal open nothing
    bool following = false;               // nor do those made to follow the list
    QString followedSite;                 // the catalogue site of the last place followed
    QPersistentModelIndex openedByPress;  // the click that ends this press opens it no more
};
