#include "browser/remote_list_widget.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QStackedLayout>
#include <QTreeView>

#include <algorithm>

#include "browser/icon_label_delegate.h"

namespace {

constexpr int kSelectedNameLimit = 255;
constexpr int kSmallIconSide = 16;
constexpr int kLargeIconSide = 32;
constexpr int kCellSpacing = 4;

// The drag of items out of the list starts here rather than in the views, so
// the list view decides what a drag carries.
template <typename View>
class DragReportingView : public View {
public:
    explicit DragReportingView(RemoteListWidget* owner) : owner(owner) {}

protected:
    void startDrag(Qt::DropActions) override { QMetaObject::invokeMethod(owner, "dragStarted"); }

private:
    RemoteListWidget* owner;
};

}  // namespace

RemoteListWidget::RemoteListWidget(int modeCode, QWidget* parent)
    : QWidget(parent), model(this), selection(&model, this) {
    setObjectName(QStringLiteral("remoteList"));
    iconView = new DragReportingView<QListView>(this);
    detailsView = new DragReportingView<QTreeView>(this);
    labelDelegate = new IconLabelDelegate(iconView);
    iconView->setItemDelegate(labelDelegate);

    detailsView->setRootIsDecorated(false);
    detailsView->setItemsExpandable(false);
    detailsView->setUniformRowHeights(true);
    detailsView->setAllColumnsShowFocus(true);
    detailsView->setSortingEnabled(false);
    detailsView->header()->setSectionsClickable(false);
    detailsView->header()->setStretchLastSection(false);

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(iconView), static_cast<QAbstractItemView*>(detailsView)}) {
        view->setModel(&model);
        QItemSelectionModel* own = view->selectionModel();
        view->setSelectionModel(&selection);
        delete own;
        WireView(view);
    }
    for (int column = 0; column < RemoteListModel::kColumnCount; ++column)
        detailsView->setColumnWidth(column, kColumnWidths[column]);
    // A reset or removal drops selected rows without a selection signal.
    connect(&selection, &QItemSelectionModel::selectionChanged, this, &RemoteListWidget::selectionChanged);
    connect(&model, &QAbstractItemModel::modelReset, this, &RemoteListWidget::selectionChanged);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, &RemoteListWidget::selectionChanged);

    stack = new QStackedLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(iconView);
    stack->addWidget(detailsView);
    // Queued: the rename may relist, which must not happen while the editor is
    // still handing its text to the model.
    connect(&model, &RemoteListModel::labelEdited, this, &RemoteListWidget::labelEditFinished,
            Qt::QueuedConnection);
    mode = -1;
    SetMode(modeCode);
}

void RemoteListWidget::WireView(QAbstractItemView* view) {
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::SelectedClicked);
    view->setDragEnabled(true);
    view->setDragDropMode(QAbstractItemView::DragOnly);
    view->setContextMenuPolicy(Qt::NoContextMenu);  // the event filter reports it
    view->setAccessibleName(QStringLiteral("Remote files"));
    view->setFocusPolicy(Qt::StrongFocus);
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) emit itemActivated(index.row());
    });
}

void RemoteListWidget::SetImageLists(const ImageList* small, const ImageList* large) {
    model.SetImageLists(small, large);
}

void RemoteListWidget::ConfigureIconView() {
    const bool large = mode == kLargeIcons;
    iconView->setViewMode(large ? QListView::IconMode : QListView::ListMode);
    iconView->setIconSize(large ? QSize(kLargeIconSide, kLargeIconSide)
                                : QSize(kSmallIconSide, kSmallIconSide));
    iconView->setFlow(mode == kList ? QListView::TopToBottom : QListView::LeftToRight);
    iconView->setWrapping(true);
    iconView->setResizeMode(QListView::Adjust);
    iconView->setMovement(QListView::Static);  // arranged automatically, never by hand
    // Setting the view mode or the movement turns dragging off in a static
    // list; items are dragged out in every mode, so it goes back on.
    iconView->setDragEnabled(true);
    iconView->setLayoutMode(QListView::Batched);
    iconView->setBatchSize(2000);
    // Names are shown whole: wrapped under a large icon, each item as tall as
    // its name needs; on one line in the other modes, in cells as wide as the
    // widest name (measured when the items are arranged).
    iconView->setTextElideMode(Qt::ElideNone);
    iconView->setWordWrap(false);
    iconView->setUniformItemSizes(!large);
    iconView->setSpacing(large ? kCellSpacing : kCellSpacing / 2);
    iconView->setGridSize(QSize());
    iconView->setEditTriggers(QAbstractItemView::SelectedClicked);
}

int RemoteListWidget::WidestLabel() const {
    const QFontMetrics metrics(iconView->font());
    int widest = 0;
    for (int row = 0; row < model.Count(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(model.Item(row).label));
    return widest;
}

void RemoteListWidget::SetMode(int modeCode) {
    const int wanted = modeCode & 3;
    if (wanted == mode) return;
    QWidget* hadFocus = stack ? stack->currentWidget() : nullptr;
    const bool focused = hadFocus && hadFocus->hasFocus();
    mode = wanted;
    model.SetLargeIcons(mode == kLargeIcons);
    if (mode == kDetails) {
        stack->setCurrentWidget(detailsView);
    } else {
        ConfigureIconView();
        stack->setCurrentWidget(iconView);
    }
    if (focused) stack->currentWidget()->setFocus();
    Arrange();
}

QAbstractItemView* RemoteListWidget::ActiveView() const {
    if (mode == kDetails) return detailsView;
    return iconView;
}

ItemKind RemoteListWidget::KindAt(int row) const {
    if (row < 0 || row >= model.Count()) return ItemKind::None;
    return model.Item(row).kind;
}

QList<int> RemoteListWidget::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : selection.selectedRows()) rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int RemoteListWidget::SelectedCount() const { return static_cast<int>(selection.selectedRows().size()); }

bool RemoteListWidget::HasOneSelected() const {
    const int first = NextSelected(-1);
    return first >= 0 && NextSelected(first) < 0;
}

int RemoteListWidget::NextSelected(int after) const {
    int next = -1;
    for (const QItemSelectionRange& range : selection.selection()) {
        const int candidate = std::max(range.top(), after + 1);
        if (candidate <= range.bottom() && (next < 0 || candidate < next)) next = candidate;
    }
    return next;
}

int RemoteListWidget::FocusedRow() const {
    const QModelIndex current = selection.currentIndex();
    return current.isValid() ? current.row() : -1;
}

void RemoteListWidget::SelectRow(int row, bool addToSelection) {
    if (row < 0 || row >= model.Count()) return;
    auto flags = QItemSelectionModel::Rows | QItemSelectionModel::Select;
    if (!addToSelection) flags |= QItemSelectionModel::Clear;
    selection.setCurrentIndex(model.index(row, 0), flags);
}

void RemoteListWidget::ClearSelection() { selection.clear(); }

QString RemoteListWidget::SelectedName() const {
    const int row = NextSelected(-1);
    return row < 0 ? QString() : model.Text(row, RemoteListModel::kName).left(kSelectedNameLimit);
}

int RemoteListWidget::FindLabel(const QString& label) const {
    int caseless = -1;
    for (int row = 0; row < model.Count(); ++row) {
        const QString& text = model.Item(row).label;
        if (text == label) return row;
        if (caseless < 0 && text.compare(label, Qt::CaseInsensitive) == 0) caseless = row;
    }
    return caseless;
}

void RemoteListWidget::Arrange() {
    if (mode == kSmallIcons || mode == kList) labelDelegate->SetWidestName(WidestLabel());
    if (mode != kDetails) iconView->doItemsLayout();
    ActiveView()->scrollToTop();
}

void RemoteListWidget::EditLabel(int row) {
    if (row < 0 || row >= model.Count()) return;
    ActiveView()->edit(model.index(row, RemoteListModel::kName));
}

bool RemoteListWidget::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            // Keys an open label editor passes on (its Enter) travel up through
            // the view as well; only keys typed in the view itself are commands.
            if (watched != ActiveView()) break;
            if (QWidget* focus = QApplication::focusWidget(); focus && ActiveView()->viewport()->isAncestorOf(focus)) break;
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                int row = NextSelected(-1);
                // The keyboard's focus item counts when nothing is selected.
                if (row < 0 && FocusedRow() >= 0) SelectRow(row = FocusedRow());
                if (row >= 0) emit itemActivated(row);
                return true;
            }
            if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() & Qt::ShiftModifier)) {
                const QRect rect = ActiveView()->visualRect(model.index(std::max(NextSelected(-1), 0), 0));
                emit contextMenuRequested(ActiveView()->viewport()->mapToGlobal(rect.center()));
                return true;
            }
            emit keyPressed(key->key(), key->modifiers(), key->isAutoRepeat());
            break;
        }
        case QEvent::ContextMenu: {
            auto* menu = static_cast<QContextMenuEvent*>(event);
            QWidget* widget = qobject_cast<QWidget*>(watched);
            if (menu->reason() == QContextMenuEvent::Mouse && widget) {
                const QPoint local = widget == ActiveView() ? ActiveView()->viewport()->mapFrom(widget, menu->pos()) : menu->pos();
                const QModelIndex index = ActiveView()->indexAt(local);
                // A right click selects the item under it, as in a file manager.
                if (index.isValid() && !selection.isRowSelected(index.row())) SelectRow(index.row());
            }
            emit contextMenuRequested(menu->globalPos());
            return true;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}
