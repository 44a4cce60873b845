#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "queue/core/transfer_job.h"
#include "sites/remote_place.h"

struct AppContext;
struct ExistingFileFacts;
class BatchOverwritePolicy;
class QWidget;
class RemoteListPane;
class RemoteListWidget;

// Turns Download to... and the uploads of dropped or chosen files into jobs
// of the transfer queue for the list's site and directory, so that they run in
// the background while the user goes on browsing; the desktop has no other
// way to move files. A target that already exists is asked about first (the
// batch's overwrite question), and its job carries the choice; Cancel queues
// nothing of the batch. A folder joins one already there, the choice taken for
// each of its files found there. Paths that cannot be queued are named in one
// message; a batch that cannot be queued at all (no connection, a directory
// without an absolute path) says why and queues nothing.
class QueuedTransfers {
public:
    // `place` is where the list is: its site and directory.
    QueuedTransfers(AppContext& context, const RemotePlace& place, QWidget* parent)
        : context(context), place(place), parent(parent) {}

    // Queues the list's selected files and folders for `folder`. Returns the
    // number of jobs queued.
    int QueueDownloads(const RemoteListWidget& list, const QString& folder);
    // Queues local files and folders for the list's directory; `list` tells
    // which names are already there. Returns the number of jobs queued.
    int QueueUploads(const QStringList& paths, const RemoteListPane* list);

    // The absolute remote path of name inside directory.
    static std::string RemotePathIn(const QString& directory, const std::string& name);

private:
    // Whether jobs for the place can be queued now; when not, tells the user
    // why.
    bool CanQueue() const;
    TransferJob NewJob(TransferDirection direction) const;
    // Asks about a target that exists and puts the answer into job; false
    // when the item stays out of the batch (the policy tells a Cancel).
    static bool SettleExisting(BatchOverwritePolicy& policy, const ExistingFileFacts& facts, TransferJob& job);
    int Send(std::vector<TransferJob> jobs, const QStringList& refused);

    AppContext& context;
    const RemotePlace place;
    QWidget* parent;
};
