#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "queue/core/transfer_queue.h"

// Keeps the queue on disk so that it survives a restart: loaded at start,
// written a moment after any job is added, removed or changes state (a burst
// of changes writes once), and written at shutdown. Progress alone does not
// write: a restarted job continues from its partial file anyway.
class SavedQueue : public QObject {
    Q_OBJECT

public:
    using Report = std::function<void(const std::string& line)>;
    static constexpr int kDelayMs = 500;

    // report receives a line for every load or save that failed.
    SavedQueue(TransferQueue& queue, QString path, Report report, QObject* parent = nullptr);

    // The file of the user's queue: "queue" in the program's data directory.
    static QString DefaultPath();

    const QString& Path() const { return path; }
    bool Load();
    bool Save();
    // Writes soon when the jobs or their states differ from the last write.
    void QueueChanged();
    bool SavePending() const { return timer.isActive(); }

private:
    using Signature = std::vector<std::pair<std::uint64_t, JobState>>;
    static constexpr int kMaxAsideCounter = 1000;
    // Renames an unreadable queue file to a free name beside it; the new
    // name, or empty when it could not be moved.
    static QString SetAside(const QString& path);
    Signature CurrentSignature() const;

    TransferQueue& queue;
    QString path;
    Report report;
    QTimer timer;
    Signature written;
};
