#include "queue/saved_queue.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

SavedQueue::SavedQueue(TransferQueue& queue, QString path, Report report, QObject* parent)
    : QObject(parent), queue(queue), path(std::move(path)), report(std::move(report)) {
    timer.setSingleShot(true);
    timer.setInterval(kDelayMs);
    connect(&timer, &QTimer::timeout, this, &SavedQueue::Save);
}

QString SavedQueue::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/queue");
}

// Kept aside rather than overwritten by the next save, and never over a file
// set aside before: nothing the user queued is thrown away unseen. The name
// carries the time, and a counter when that second already has one.
QString SavedQueue::SetAside(const QString& path) {
    if (!QFileInfo::exists(path)) return {};
    const QString stem = path + QStringLiteral(".unreadable-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int counter = 1; counter <= kMaxAsideCounter; ++counter) {
        const QString aside = counter == 1 ? stem : stem + QStringLiteral("-%1").arg(counter);
        // rename never replaces an existing file.
        if (!QFileInfo::exists(aside) && QFile::rename(path, aside)) return aside;
    }
    return {};
}

SavedQueue::Signature SavedQueue::CurrentSignature() const {
    Signature signature;
    for (const TransferJob& job : queue.Jobs()) signature.emplace_back(job.id, job.state);
    return signature;
}

bool SavedQueue::Load() {
    std::string error;
    const bool loaded = queue.Load(QFile::encodeName(path).toStdString(), error);
    if (!loaded) {
        const QString aside = SetAside(path);
        if (report) {
            report("The transfer queue could not be read: " + error +
                   (aside.isEmpty() ? std::string()
                                    : " (kept as " + QFile::encodeName(aside).toStdString() + ")"));
        }
    }
    written = CurrentSignature();
    return loaded;
}

bool SavedQueue::Save() {
    timer.stop();
    written = CurrentSignature();
    std::string error;
    const bool saved = queue.Save(QFile::encodeName(path).toStdString(), error);
    if (!saved && report) report("The transfer queue could not be saved: " + error);
    return saved;
}

void SavedQueue::QueueChanged() {
    if (CurrentSignature() != written && !timer.isActive()) timer.start();
}
