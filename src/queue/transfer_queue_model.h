#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "queue/core/transfer_queue.h"

// The transfer queue as a table, one row per job in queue order: direction,
// local and remote path, size, progress, speed, time left and state (a failed
// job's reason in its text and tooltip). Refresh() reads the queue back and
// turns the difference into row insertions, removals and changes, so views
// keep their selection and scroll position while jobs run.
class TransferQueueModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        kDirection,
        kLocalPath,
        kRemotePath,
        kSize,
        kProgress,
        kSpeed,
        kTimeLeft,
        kState,
        kColumnCount
    };
    enum Role {
        kProgressRole = Qt::UserRole + 1,  // int percent done, -1 unknown
        kJobIdRole,                        // quint64 job id
        kStateRole,                        // int JobState
    };

    explicit TransferQueueModel(TransferQueue& queue, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The job shown in row (null outside the rows).
    const TransferJob* JobAt(int row) const;
    int RowOf(std::uint64_t id) const;

    // Brings the rows up to date with the queue.
    void Refresh();

private:
    QVariant DisplayText(const TransferJob& job, int column) const;
    // Removes the rows whose jobs left the queue; false when the jobs left
    // are no longer in the queue's order (then only a reset will do).
    bool RemoveRowsGone(const std::vector<TransferJob>& jobs);

    TransferQueue& queue;
    std::vector<TransferJob> rows;
};
