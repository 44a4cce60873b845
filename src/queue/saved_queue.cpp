#include "queue/saved_queue.h"

#include <QFile>
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

SavedQueue::Signature SavedQueue::CurrentSignature() const {
    Signature signature;
    for (const TransferJob& job : queue.Jobs()) signature.emplace_back(job.id, job.state);
    return signature;
}

bool SavedQueue::Load() {
    std::string error;
    const bool loaded = queue.Load(QFile::encodeName(path).toStdString(), error);
    if (!loaded) {
        // Kept aside rather than overwritten by the next save: nothing the
        // user queued is thrown away unseen.
        const QString aside = path + QStringLiteral(".unreadable");
        QFile::remove(aside);
        const bool kept = QFile::rename(path, aside);
        if (report) {
            report("The transfer queue could not be read: " + error +
                   (kept ? " (kept as " + QFile::encodeName(aside).toStdString() + ")" : std::string()));
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
