#include "queue/transfer_queue_pane.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "queue/progress_delegate.h"
#include "queue/transfer_queue_events.h"
#include "queue/transfer_queue_model.h"

namespace {

// Column widths of a first showing; the paths take what is left.
constexpr int kNarrowColumn = 80;
constexpr int kProgressColumn = 110;

}  // namespace

TransferQueuePane::TransferQueuePane(TransferQueue& queue, TransferQueueEvents& events, QWidget* parent)
    : QWidget(parent), queue(queue) {
    setObjectName(QStringLiteral("transfers"));
    model = new TransferQueueModel(queue, this);
    connect(&events, &TransferQueueEvents::changed, model, &TransferQueueModel::Refresh);

    view = new QTreeView(this);
    view->setAccessibleName(QStringLiteral("Transfers"));
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setItemDelegateForColumn(TransferQueueModel::kProgress, new ProgressDelegate(view));
    for (int column : {TransferQueueModel::kDirection, TransferQueueModel::kSize, TransferQueueModel::kSpeed,
                       TransferQueueModel::kTimeLeft}) {
        view->setColumnWidth(column, kNarrowColumn);
    }
    view->setColumnWidth(TransferQueueModel::kProgress, kProgressColumn);
    view->header()->setStretchLastSection(true);
    connect(view, &QWidget::customContextMenuRequested, this, &TransferQueuePane::ShowContextMenu);

    auto* buttons = new QHBoxLayout;
    for (QueueCommand command : kQueueCommands) {
        auto* action = new QAction(QueueCommandText(command), this);
        connect(action, &QAction::triggered, this, [this, command] { Run(command); });
        actions[command] = action;
        auto* button = new QToolButton(this);
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setFocusPolicy(Qt::StrongFocus);  // in the Tab order like any button
        button->setAccessibleName(action->text());
        buttons->addWidget(button);
    }
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    layout->addLayout(buttons);
    setFocusProxy(view);

    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TransferQueuePane::UpdateActionStates);
    // A job's state may change under an unchanged selection.
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(model, signal, this, &TransferQueuePane::UpdateActionStates);
    }
    connect(model, &QAbstractItemModel::dataChanged, this, &TransferQueuePane::UpdateActionStates);
    connect(model, &QAbstractItemModel::modelReset, this, &TransferQueuePane::UpdateActionStates);
    UpdateActionStates();
}

std::vector<std::uint64_t> TransferQueuePane::SelectedJobs() const {
    std::vector<std::uint64_t> ids;
    for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
        if (const TransferJob* job = model->JobAt(index.row())) ids.push_back(job->id);
    }
    return ids;
}

void TransferQueuePane::UpdateActionStates() {
    std::vector<JobState> selected;
    std::vector<JobState> all;
    for (int row = 0; row < model->rowCount(); ++row) all.push_back(model->JobAt(row)->state);
    for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
        if (const TransferJob* job = model->JobAt(index.row())) selected.push_back(job->state);
    }
    for (const auto& [command, action] : actions)
        action->setEnabled(QueueCommandEnabled(command, selected, all));
}

void TransferQueuePane::Run(QueueCommand command) {
    if (command == QueueCommand::ClearFinished) {
        queue.ClearFinished();
        model->Refresh();
        return;
    }
    for (std::uint64_t id : SelectedJobs()) {
        switch (command) {
            case QueueCommand::Pause:
                queue.Pause(id);
                break;
            case QueueCommand::Resume:
                queue.Resume(id);
                break;
            case QueueCommand::Cancel:
                queue.Cancel(id);
                break;
            case QueueCommand::Retry:
                queue.Retry(id);
                break;
            case QueueCommand::Remove:
                queue.Cancel(id);  // the queue keeps a running job
                queue.Remove(id);
                break;
            case QueueCommand::ClearFinished:
                break;
        }
    }
    // The pane shows what it did at once; the wake that follows finds nothing new.
    model->Refresh();
}

QMenu* TransferQueuePane::BuildContextMenu() {
    UpdateActionStates();
    auto* menu = new QMenu(this);
    for (QueueCommand command : kQueueCommands) {
        if (command == QueueCommand::ClearFinished) menu->addSeparator();
        menu->addAction(actions.at(command));
    }
    return menu;
}

void TransferQueuePane::ShowContextMenu(const QPoint& position) {
    QMenu* menu = BuildContextMenu();
    menu->exec(view->viewport()->mapToGlobal(position));
    delete menu;
}
