#include "sites/site_tree.h"

#include <QKeyEvent>

#include "platform/desktop/command_ids.h"
#include "platform/desktop/message_seam.h"
#include "sites/catalogue_load_message.h"
#include "sites/site_label_delegate.h"
#include "sites/site_list_port.h"
#include "sites/site_tree_items.h"
#include "sites/store/catalogue_format.h"

SiteTree::SiteTree(SiteStore& store, QWidget* parent) : QTreeWidget(parent), store(store) {
    setHeaderHidden(true);
    setColumnCount(1);
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

    connect(this, &QTreeWidget::itemSelectionChanged, this, &SiteTree::OnSelectionChanged);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &SiteTree::OnItemDoubleClicked);
    connect(this, &QTreeWidget::itemClicked, this, &SiteTree::OnItemClicked);
    // Any change of items or labels makes the directory index stale.
    const QAbstractItemModel* items = model();
    connect(items, &QAbstractItemModel::rowsInserted, this, &SiteTree::ForgetChildIndex);
    connect(items, &QAbstractItemModel::rowsRemoved, this, &SiteTree::ForgetChildIndex);
    connect(items, &QAbstractItemModel::rowsMoved, this, &SiteTree::ForgetChildIndex);
    connect(items, &QAbstractItemModel::layoutChanged, this, &SiteTree::ForgetChildIndex);
    connect(items, &QAbstractItemModel::modelReset, this, &SiteTree::ForgetChildIndex);
    connect(items, &QAbstractItemModel::dataChanged, this, &SiteTree::ForgetChildIndex);
}

SiteTree::~SiteTree() {
    SaveCatalogue();
    removingItems = true;
    clear();
    // The model outlives this part of the object and still signals while
    // QWidget's destructor deletes it.
    disconnect(model(), nullptr, this, nullptr);
}

void SiteTree::LoadCatalogue() {
    if (loaded) return;
    loaded = true;
    store.RemoveAbandonedTemporaries();
    std::string problem;
    const CatalogueLoad load = store.LoadCatalogue(catalogue, &problem);
    ReportUnreadableCatalogue(load, problem);
    currentNode = nullptr;
}

void SiteTree::ReportUnreadableCatalogue(CatalogueLoad load, const std::string& problem) {
    const CatalogueLoadOutcome outcome = SettleCatalogueLoad(store, load, problem);
    keepFile = outcome.keepFile;
    if (!outcome.message.isEmpty()) ShowMessage(this, outcome.message);
}

bool SiteTree::SaveCatalogue() {
    if (!loaded || keepFile) return false;
    return store.SaveCatalogue(catalogue);
}

void SiteTree::showEvent(QShowEvent* event) {
    LoadCatalogue();
    QTreeWidget::showEvent(event);
}

void SiteTree::focusInEvent(QFocusEvent* event) {
    if (focusMarker) *focusMarker = 2;
    QTreeWidget::focusInEvent(event);
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
                if (QTreeWidgetItem* item = currentItem()) {
                    OnItemDoubleClicked(item);
                    item->setExpanded(!item->isExpanded());
                }
                return;
            default:
                break;
        }
    }
    QTreeWidget::keyPressEvent(event);
}

void SiteTree::OpenFromTree(QTreeWidgetItem* item) {
    const ItemKind kind = KindOf(item);
    if (kind == ItemKind::Group) {
        currentNode = item;
        emit groupOpened();
        return;
    }
    QStringList labels;
    QTreeWidgetItem* site = item;
    for (; site && KindOf(site) == ItemKind::Directory; site = site->parent()) labels.prepend(site->text(0));
    if (KindOf(site) != ItemKind::Site) return;
    emit locationRequested(ProfileOf(site), remote_path::PathOfLabels(labels));
}

void SiteTree::OnSelectionChanged() {
    if (removingItems || following) return;
    const QList<QTreeWidgetItem*> selected = selectedItems();
    // A collapsed item is only selected; an expanded one is opened.
    if (selected.isEmpty() || !selected.first()->isExpanded()) return;
    openedByPress = selected.first();
    OpenFromTree(selected.first());
}

// One click shows a folder; sites and groups keep needing a double-click (or
// an expanded item) so that a click to look does not log in.
void SiteTree::OnItemClicked(QTreeWidgetItem* item) {
    if (KindOf(item) == ItemKind::Directory && !following && item != openedByPress) OpenFromTree(item);
}

void SiteTree::mousePressEvent(QMouseEvent* event) {
    openedByPress = nullptr;
    QTreeWidget::mousePressEvent(event);
}

void SiteTree::OnItemDoubleClicked(QTreeWidgetItem*) {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (!selected.isEmpty()) OpenFromTree(selected.first());
}

void SiteTree::FinishLabelEdit(QTreeWidgetItem* item, const QString& text) {
    if (!item) return;
    if (text.isEmpty()) {
        ShowMessage(this, QStringLiteral("You must have a name, can't you see it's important."));
        return;
    }
    const ItemKind kind = KindOf(item);
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
        item->setText(0, text);
    else
        RenameItem(item, text);
}

bool SiteTree::CanDelete() const { return !selectedItems().isEmpty(); }

bool SiteTree::HandleCommand(int commandId) {
    if (commandId != kCmdDelete) return false;
    DeleteSelected();
    return true;
}

bool SiteTree::UpdateCommandState(int commandId, CommandState& state) {
    if (commandId != kCmdDelete) return false;
    state.enabled = CanDelete();
    return true;
}

void SiteTree::DeleteSelected() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return;
    QTreeWidgetItem* item = selected.first();
    const ItemKind kind = KindOf(item);
    if (kind != ItemKind::Site && kind != ItemKind::Group) return;
    if (!ConfirmDelete(item)) return;

    // The check concerns the current node's site, which need not be the one
    // selected: deleting anything while connected to that host asks first.
    SiteProfile site;
    QString path;
    if (listPort && CurrentSiteAndPath(site, path) && listPort->SessionConnected() &&
        ToQt(site.host) == listPort->SessionHost()) {
        listPort->Disconnect(true);
        if (listPort->SessionConnected()) return;
    }
    RemoveItem(item);
}

bool SiteTree::ConfirmDelete(QTreeWidgetItem* item) {
    if (KindOf(item) == ItemKind::Site)
        return AskYesNo(this, QStringLiteral("Are you sure you want to delete the site \"%1\"? It will be "
                                             "gone forever.")
                                  .arg(item->text(0)));
    int sites = 0;
    for (int index = 0; index < item->childCount(); ++index)
        sites += KindOf(item->child(index)) == ItemKind::Site;
    return AskYesNo(this, QStringLiteral("Are you sure you want to delete the group \"%1\" and its %2 "
                                         "site(s)? They will be gone forever.")
                              .arg(item->text(0))
                              .arg(sites));
}
