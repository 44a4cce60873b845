#pragma once

#include <QWidget>
#include <map>
#include <vector>

#include "queue/core/transfer_queue.h"
#include "queue/queue_commands.h"

class QAction;
class QMenu;
class QTreeView;
class TransferQueueEvents;
class TransferQueueModel;

// The "Transfers" pane: the queue's table and the commands Pause, Resume,
// Cancel, Retry, Remove and Clear Finished, as buttons below the table (each
// reached by Tab) and as the table's context menu. A command acts on every
// selected job it applies to; it is enabled while one does (Clear Finished:
// while the queue holds a finished job).
class TransferQueuePane : public QWidget {
    Q_OBJECT

public:
    TransferQueuePane(TransferQueue& queue, TransferQueueEvents& events, QWidget* parent = nullptr);

    QTreeView* View() const { return view; }
    TransferQueueModel* Model() const { return model; }
    QAction* Action(QueueCommand command) const { return actions.at(command); }
    // The context menu for the current selection (the caller runs and deletes it).
    QMenu* BuildContextMenu();

    // Carries a command out on the selected jobs.
    void Run(QueueCommand command);
    void UpdateActionStates();

private:
    std::vector<std::uint64_t> SelectedJobs() const;
    void ShowContextMenu(const QPoint& position);

    TransferQueue& queue;
    TransferQueueModel* model = nullptr;
    QTreeView* view = nullptr;
    std::map<QueueCommand, QAction*> actions;
};
