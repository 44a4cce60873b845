#pragma once

#include <QObject>

#include "queue/core/transfer_queue.h"
#include "platform/desktop/thread_wake.h"

// Hears the queue on whichever thread changes it and tells the user-interface
// thread, as one changed() signal for any number of changes made meanwhile.
// Receivers read the queue back themselves. Registers itself with the queue
// and unregisters when destroyed; it must outlive every thread that changes
// the queue (the runner is stopped first).
class TransferQueueEvents : public QObject, public TransferQueue::Listener {
    Q_OBJECT

public:
    explicit TransferQueueEvents(TransferQueue& queue, QObject* parent = nullptr);
    ~TransferQueueEvents() override;

    void JobChanged(std::uint64_t id) override;
    void JobsAddedOrRemoved() override;

signals:
    void changed();

private:
    TransferQueue& queue;
    ThreadWake wake;
};
