#include "browser/remote_view.h"

#include <QAbstractItemView>
#include <QVBoxLayout>

#include "browser/app_context.h"
#include "browser/connection_client.h"
#include "browser/request_progress_dialog.h"
#include "browser/file_types.h"
#include "browser/list_filter.h"
#include "browser/location_bar.h"
#include "browser/size_text.h"
#include "browser/wait_cursor.h"
#include "platform/desktop/icon_spec.h"
#include "platform/desktop/message_seam.h"
#include "platform/desktop/program_icons.h"
#include "sites/catalogue_entries.h"
#include "sites/catalogue_model.h"

RemoteView::RemoteView(AppContext& context, CatalogueModel& catalogue, SiteDialogs& dialogs, QWidget* parent)
    : QWidget(parent), context(context), catalogue(catalogue), dialogs(dialogs) {
    setObjectName(QStringLiteral("listView"));
    bar = new LocationBar(this);
    list = new RemoteListWidget(context.settings.defaultView, this);
    list->SetImageLists(&smallImages, &largeImages);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(list);
    layout->addWidget(filter = new ListFilter(*list, this));
    setFocusProxy(list->ActiveView());

    connect(list, &RemoteListWidget::itemActivated, this, [this] { OpenItem(); });
    connect(list, &RemoteListWidget::contextMenuRequested, this, &RemoteView::showContextMenu);
    connect(list, &RemoteListWidget::keyPressed, this, &RemoteView::onKeyPressed);
    connect(list, &RemoteListWidget::labelEditFinished, this, &RemoteView::onLabelEditFinished);
    connect(list, &RemoteListWidget::dragStarted, this, &RemoteView::startDragOut);
    // The bar above the list shows where it is and asks for the paths clicked
    // or typed in it.
    connect(this, &RemoteView::placeChanged, bar, &LocationBar::ShowPlace);
    connect(bar, &LocationBar::pathRequested, this, &RemoteView::GoToPath);
    CreateActions();
    connect(list, &RemoteListWidget::selectionChanged, this, &RemoteView::UpdateActionStates);
    connect(this, &RemoteView::placeChanged, this, &RemoteView::UpdateActionStates);
}

RemoteView::~RemoteView() {
    ClearItems();
    delete connection;  // cancels what runs; no handler is called any more
}

void RemoteView::FirstUpdate() { ShowGroup({}); }

void RemoteView::SetPlace(const RemotePlace& next) {
    if (next == place) return;
    place = next;
    emit placeChanged(place);
}

void RemoteView::ShowGroup(const QModelIndex& group) {
    shownGroup = group;
    FillCatalogue();
    emit groupShown(shownGroup);
}

QModelIndex RemoteView::ShownChild(const QString& label) const {
    return catalogue.ChildLabelled(shownGroup, label);
}

bool RemoteView::ShownSite(const QString& label, SiteProfile& profile) const {
    const QModelIndex child = ShownChild(label);
    if (catalogue.KindAt(child) != ItemKind::Site) return false;
    profile = catalogue.ProfileAt(child);
    return true;
}

void RemoteView::OpenFilter() { filter->Open(); }

void RemoteView::SetViewMode(int modeCode) {
    list->SetMode(modeCode);
    setFocusProxy(list->ActiveView());
}

void RemoteView::ClearItems() {
    list->Model().Clear();
    currentItem = -1;
}

void RemoteView::Arrange() { list->Arrange(); }

void RemoteView::AppendCatalogueIcon(const QString& iconText) {
    const bool resourceNumber = !iconText.isEmpty() && iconText[0] >= u'0' && iconText[0] <= u'9';
    const QIcon icon = resourceNumber ? ProgramIcon(iconText.toInt()) : IconFromSpec(iconText);
    // Nothing is appended for a site whose icon cannot be loaded: it shows the
    // image appended before it.
    if (icon.isNull()) return;
    for (ImageList* images : {&smallImages, &largeImages}) {
        if (images->Add(icon) < 0) images->Add(ProgramIcon(ProgramIcons::kStandIn));
    }
}

void RemoteView::FillCatalogue() {
    WaitCursor wait;
    filter->Clear();
    ClearItems();
    showsRemoteDirectory = false;
    smallImages.RemoveAll();
    largeImages.RemoveAll();
    for (int resource : {ProgramIcons::kCatalogue, ProgramIcons::kDocument, ProgramIcons::kFolder}) {
        smallImages.Add(ProgramIcon(resource));
        largeImages.Add(ProgramIcon(resource));
    }

    const CatalogueModel& sites = catalogue;
    for (int i = 0; i < sites.rowCount(shownGroup); ++i) {
        const QModelIndex node = sites.index(i, 0, shownGroup);
        const ItemKind kind = sites.KindAt(node);
        RemoteListItem item;
        item.kind = kind;
        if (kind == ItemKind::Group) {
            smallImages.Add(ProgramIcon(ProgramIcons::kGroup));
            largeImages.Add(ProgramIcon(ProgramIcons::kGroup));
            item.label = sites.LabelAt(node);
        } else if (kind == ItemKind::Site) {
            const SiteProfile profile = sites.ProfileAt(node);
            AppendCatalogueIcon(QString::fromStdString(profile.icon));
            item.label = QString::fromStdString(profile.name);
        } else {
            continue;  // directory nodes are not part of the catalogue
        }
        item.image = smallImages.Count() - 1;
        list->Model().InsertItem(std::move(item));
    }
    Arrange();
}

void RemoteView::LoadListing() {
    if (!Connected()) {
        LeaveClosedSession();
        return;
    }
    // A move on its way lists where the list is going anyway.
    if (pendingPath.isEmpty()) ListAt(place.path, false);
}

bool RemoteView::LeaveClosedSession() {
    if (Connected() || !showsRemoteDirectory) return false;
    ShowDisconnected();
    return true;
}

void RemoteView::ShowListing(const Listing& listing) {
    WaitCursor wait;
    ClearItems();
    showsRemoteDirectory = true;
    // The whole listing is added as one batch and shown once it is complete.
    FileTypeCache cache;
    list->Model().BeginBatch();
    for (const RemoteEntry& entry : listing.entries) AddEntry(entry, &cache);
    list->Model().EndBatch();
    Arrange();
}

void RemoteView::AddEntry(const RemoteEntry& entry, FileTypeCache* cache) {
    if (entry.name == "." || entry.name == "..") return;
    const QString name = QString::fromStdString(entry.ShownName());
    RemoteListItem item;
    item.label = name;
    item.linkTarget = QString::fromStdString(entry.linkTarget);
    item.permissions = QString::fromStdString(entry.permissions);
    // A link shows as a folder: opening it asks the server where it leads.
    if (entry.IsDirectory() || entry.IsLink()) {
        item.kind = ItemKind::Directory;
        item.image = 2;
        item.type = QStringLiteral("Folder");
        list->Model().InsertItem(std::move(item));
        if (!place.quick) emit folderListed(name);
        return;
    }
    item.kind = ItemKind::File;
    item.image = FileTypeIcon(name, smallImages, largeImages, cache);
    const QString extension = FindExtension(name);
    item.type = cache ? cache->NameFor(extension) : FileTypeName(extension);
    item.modified = QString::fromStdString(entry.modified.shown);
    item.size = SizeColumnText(entry.size);
    list->Model().InsertItem(std::move(item));
}

void RemoteView::FindItemByName(const QString& name) {
    for (int row = 0; row < list->ItemCount(); ++row) {
        if (list->Model().Item(row).label == name) {
            currentItem = row;
            return;
        }
    }
}

void RemoteView::SetItemLabel(const QString& oldName, const QString& newName) {
    const int row = list->FindLabel(oldName);
    if (row < 0) return;
    list->Model().SetLabel(row, newName);
    Arrange();
}

QString RemoteView::SessionHost() const { return host; }
