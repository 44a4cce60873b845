#include "queue/transfer_queue_events.h"

TransferQueueEvents::TransferQueueEvents(TransferQueue& queue, QObject* parent)
    : QObject(parent), queue(queue) {
    connect(&wake, &ThreadWake::woken, this, &TransferQueueEvents::changed);
    queue.SetListener(this);
}

TransferQueueEvents::~TransferQueueEvents() { queue.SetListener(nullptr); }

void TransferQueueEvents::JobChanged(std::uint64_t) { wake.Wake(); }

void TransferQueueEvents::JobsAddedOrRemoved() { wake.Wake(); }
