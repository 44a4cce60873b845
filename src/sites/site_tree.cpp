#include "sites/site_tree.h"

#include <QKeyEvent>

#include "platform/desktop/message_seam.h"
#include "sites/catalogue_entries.h"
#include "sites/site_conflict_question.h"
#include "sites/site_label_delegate.h"
#include "sites/store/catalogue_format.h"

SiteTree::SiteTree(SiteStore& store, QWidget* parent) : QTreeView(parent), store(store) {
    // Connected before the view's own connections, so that the guard is up
    // before the selection model reacts to a removal; lowered after them.
    connect(&catalogue, &QAbstractItemModel::rowsAboutToBeRemoved, this, &SiteTree::OnRowsAboutToBeRemoved);
    setModel(&catalogue);
    connect(&catalogue, &QAbstractItemModel::rowsRemoved, this, [this] { removingItems = false; });
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setIconSize(QSize(16, 16));
    setFrameShape(QFrame::StyledPanel);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setItemDelegate(new SiteLabelDelegate(this));
    // Sites never move between groups: no dragging, no context menu.
    setDragEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAccessibleName(QStringLiteral("Sites"));
    setAccessibleDescription(QStringLiteral("Groups, their sites and the visited remote directories"));

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &SiteTree::OnSelectionChanged);
    connect(this, &QTreeView::doubleClicked, this, &SiteTree::OnDoubleClicked);
    connect(this, &QTreeView::clicked, this, &SiteTree::OnClicked);
    store.SetConflictResolver([this](const SiteConflict& conflict) { return AskSiteConflict(this, conflict); });
}

SiteTree::~SiteTree() {
    if (!discarded) SaveCatalogueQuietly();
    store.SetConflictResolver({});
    // The view lets go of the catalogue before it goes, so that nothing of the
    // view is told about rows of a model being destroyed.
    removingItems = true;
    setModel(nullptr);
}

void SiteTree::LoadCatalogue() {
    if (catalogue.IsLoaded()) return;
    ReportUnreadableCatalogue(catalogue.Load());
    currentNode = QModelIndex();
    autosave.Start();
}

void SiteTree::ReportUnreadableCatalogue(const QString& message) {
    if (!message.isEmpty()) ShowMessage(this, message);
}

CatalogueSave SiteTree::SaveCatalogue() { return discarded ? CatalogueSave{} : autosave.SaveNow(); }

CatalogueSave SiteTree::SaveCatalogueQuietly() { return discarded ? CatalogueSave{} : autosave.SaveQuietly(); }

CatalogueSave SiteTree::SaveCatalogueAs(const std::string& path) const {
    return catalogue.SaveAs(path);
}

void SiteTree::showEvent(QShowEvent* event) {
    LoadCatalogue();
    QTreeView::showEvent(event);
}

void SiteTree::keyPressEvent(QKeyEvent* event) {
    if (state() != QAbstractItemView::EditingState) {
        switch (event->key()) {
            case Qt::Key_Delete:
                DeleteSelected();
                return;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                // The keyboard's double-click.
                if (const QModelIndex item = currentIndex(); item.isValid()) {
                    OnDoubleClicked();
                    setExpanded(item, !isExpanded(item));
                }
                return;
            default:
                break;
        }
    }
    QTreeView::keyPressEvent(event);
}

void SiteTree::OpenFromTree(const QModelIndex& index) {
    const ItemKind kind = KindOf(index);
    if (kind == ItemKind::Group) {
        emit groupOpened(index);
        return;
    }
    const QModelIndex site = catalogue.SiteOf(index);
    if (!site.isValid()) return;
    emit placeRequested(catalogue.ProfileAt(site),
                        remote_path::PathOfLabels(catalogue.LabelsBelowSite(index)));
}

QModelIndex SiteTree::SelectedNode() const {
    const QModelIndexList selected =
        selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList();
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

void SiteTree::OnSelectionChanged() {
    if (removingItems || following) return;
    const QModelIndex selected = SelectedNode();
    // A collapsed item is only selected; an expanded one is opened.
    if (!selected.isValid() || !isExpanded(selected)) return;
    openedByPress = selected;
    OpenFromTree(selected);
}

// One click shows a folder; sites and groups keep needing a double-click (or
// an expanded item) so that a click to look does not log in.
void SiteTree::OnClicked(const QModelIndex& index) {
    if (KindOf(index) == ItemKind::Directory && !following && index != openedByPress) OpenFromTree(index);
}

void SiteTree::mousePressEvent(QMouseEvent* event) {
    openedByPress = QModelIndex();
    QTreeView::mousePressEvent(event);
}

void SiteTree::OnDoubleClicked() {
    if (const QModelIndex selected = SelectedNode(); selected.isValid()) OpenFromTree(selected);
}

void SiteTree::FinishLabelEdit(const QModelIndex& index, const QString& text) {
    if (!index.isValid()) return;
    if (text.isEmpty()) {
        ShowMessage(this, QStringLiteral("You must have a name, can't you see it's important."));
        return;
    }
    const ItemKind kind = KindOf(index);
    if (kind != ItemKind::Group && kind != ItemKind::Site) {
        ShowMessage(this, QStringLiteral(
                              "To change a directory name, select it in the main view and choose rename."));
        return;
    }
    // Section names and GROUP values must fit one line of the catalogue file.
    const std::string problem = CatalogueFieldProblem(kind == ItemKind::Site ? "" : "GROUP", FromQt(text));
    if (!problem.empty()) {
        ShowMessage(this, ToQt(problem));
        return;
    }
    if (kind == ItemKind::Group)
        catalogue.Rename(index, text);
    else
        RenameItem(index, text);
}

bool SiteTree::CanDelete() const { return SelectedNode().isValid(); }

void SiteTree::DeleteSelected() {
    const QPersistentModelIndex item = SelectedNode();
    const ItemKind kind = KindOf(item);
    if (kind != ItemKind::Site && kind != ItemKind::Group) return;
    if (!ConfirmDelete(item)) return;

    // The check concerns the current node's site, which need not be the one
    // selected: deleting anything while connected to that host asks first.
    SiteProfile site;
    QString path;
    if (CurrentSiteAndPath(site, path) && SessionOnHostOf(site)) {
        emit disconnectRequested(true);
        if (followed.connected) return;
    }
    RemoveItem(item);
}

bool SiteTree::SessionOnHostOf(const SiteProfile& site) const {
    if (!followed.connected) return false;
    // A quick connection is named by its host; a catalogue site by its name.
    if (followed.quick) return followed.site == ToQt(site.host);
    const QModelIndex followedSite = FindSite(followed.site);
    return followedSite.isValid() && catalogue.ProfileAt(followedSite).host == site.host;
}

bool SiteTree::ConfirmDelete(const QModelIndex& index) {
    const QString label = catalogue.LabelAt(index);
    if (KindOf(index) == ItemKind::Site)
        return AskYesNo(this, QStringLiteral("Are you sure you want to delete the site \"%1\"? It will be "
                                             "gone forever.")
                                  .arg(label));
    int sites = 0;
    for (int row = 0; row < catalogue.rowCount(index); ++row)
        sites += KindOf(catalogue.index(row, 0, index)) == ItemKind::Site;
    return AskYesNo(this, QStringLiteral("Are you sure you want to delete the group \"%1\" and its %2 "
                                         "site(s)? They will be gone forever.")
                              .arg(label)
                              .arg(sites));
}
