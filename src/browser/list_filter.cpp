#include "browser/list_filter.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QToolButton>
#include <QTreeView>

#include "browser/remote_list_widget.h"

ListFilter::ListFilter(RemoteListWidget& list, QWidget* parent) : QWidget(parent), list(list) {
    setObjectName(QStringLiteral("listFilter"));
    edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("listFilterText"));
    edit->setAccessibleName(QStringLiteral("Filter"));
    edit->setPlaceholderText(QStringLiteral("Names containing..."));
    edit->setToolTip(QStringLiteral("Show only the items whose names contain this text (Escape shows all)"));
    edit->setClearButtonEnabled(true);
    edit->installEventFilter(this);
    auto* label = new QLabel(QStringLiteral("&Filter:"), this);
    label->setBuddy(edit);
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("Close"));
    close->setToolTip(QStringLiteral("Close the filter and show every item"));
    close->setAccessibleName(QStringLiteral("Close the filter"));
    close->setAutoRaise(true);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(label);
    layout->addWidget(edit, 1);
    layout->addWidget(close);
    hide();

    connect(edit, &QLineEdit::textChanged, this, &ListFilter::Apply);
    connect(close, &QToolButton::clicked, this, [this] {
        Clear();
        this->list.ActiveView()->setFocus(Qt::ShortcutFocusReason);
    });
    RemoteListModel& model = list.Model();
    for (auto signal : {&RemoteListModel::rowsInserted, &RemoteListModel::rowsRemoved})
        connect(&model, signal, this, &ListFilter::Apply);
    connect(&model, &RemoteListModel::modelReset, this, &ListFilter::Apply);
    connect(&model, &RemoteListModel::layoutChanged, this, &ListFilter::Apply);
    // Select All and shift-clicks would otherwise reach hidden rows.
    connect(list.ActiveView()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListFilter::DropHiddenFromSelection);
}

void ListFilter::Open() {
    show();
    edit->setFocus(Qt::ShortcutFocusReason);
    edit->selectAll();
}

void ListFilter::Clear() {
    edit->clear();
    hide();
}

QString ListFilter::Text() const { return edit->text(); }

void ListFilter::SetText(const QString& text) { edit->setText(text); }

bool ListFilter::Shows(int row) const {
    const QString& label = list.Model().Item(row).label;
    return edit->text().isEmpty() || label == QStringLiteral("..") ||
           label.contains(edit->text(), Qt::CaseInsensitive);
}

void ListFilter::Apply() {
    // Without a filter, a listing of many thousand items is shown untouched.
    if (edit->text().isEmpty() && !anyHidden) return;
    const RemoteListModel& model = list.Model();
    anyHidden = false;
    for (int row = 0; row < model.Count(); ++row) {
        const bool hidden = !Shows(row);
        anyHidden = anyHidden || hidden;
        list.DetailsView()->setRowHidden(row, QModelIndex(), hidden);
        list.IconView()->setRowHidden(row, hidden);
    }
    DropHiddenFromSelection();
}

void ListFilter::DropHiddenFromSelection() {
    if (edit->text().isEmpty()) return;
    QItemSelectionModel* selection = list.ActiveView()->selectionModel();
    for (int row : list.SelectedRows()) {
        if (!Shows(row)) {
            selection->select(list.Model().index(row, 0),
                              QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        }
    }
}

bool ListFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            Clear();
            list.ActiveView()->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
            // The first item shown becomes the one Enter in the list opens.
            for (int row = 0; row < list.ItemCount(); ++row) {
                if (!Shows(row)) continue;
                list.SelectRow(row);
                break;
            }
            list.ActiveView()->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
