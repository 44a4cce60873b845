#include "queue/transfer_queue_model.h"

#include <QDir>
#include <unordered_map>

#include "queue/transfer_texts.h"

namespace {

bool SameFigures(const TransferJob& a, const TransferJob& b) {
    return a.state == b.state && a.doneBytes == b.doneBytes && a.totalBytes == b.totalBytes &&
           a.bytesPerSecond == b.bytesPerSecond && a.secondsLeft == b.secondsLeft && a.failure == b.failure &&
           a.note == b.note && a.localPath == b.localPath && a.remotePath == b.remotePath &&
           a.direction == b.direction && a.waitingToReconnect == b.waitingToReconnect;
}

// A failure's reason, what a finished job did instead (a skip), or why a
// job is paused; a job waiting for its server says only that.
QString StateWithReason(const TransferJob& job) {
    if (job.waitingToReconnect) return QString::fromStdString(job.note);
    const std::string& reason = job.state == JobState::Failed ? job.failure : job.note;
    if (reason.empty()) return StateText(job.state);
    return StateText(job.state) + QStringLiteral(": ") + QString::fromStdString(reason);
}

QString PathText(const std::string& path, bool isDirectory) {
    const QString text = QString::fromStdString(path);
    return isDirectory ? text + QDir::separator() : text;
}

}  // namespace

TransferQueueModel::TransferQueueModel(TransferQueue& queue, QObject* parent)
    : QAbstractTableModel(parent), queue(queue) {
    rows = queue.Jobs();
}

int TransferQueueModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int TransferQueueModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

const TransferJob* TransferQueueModel::JobAt(int row) const {
    if (row < 0 || row >= static_cast<int>(rows.size())) return nullptr;
    return &rows[static_cast<std::size_t>(row)];
}

int TransferQueueModel::RowOf(std::uint64_t id) const {
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].id == id) return static_cast<int>(row);
    }
    return -1;
}

QVariant TransferQueueModel::DisplayText(const TransferJob& job, int column) const {
    const bool running = job.state == JobState::Running;
    switch (column) {
        case kDirection:
            return DirectionText(job.direction);
        case kLocalPath:
            return PathText(job.localPath, job.isDirectory);
        case kRemotePath:
            return PathText(job.remotePath, job.isDirectory);
        case kSize:
            return ByteCountText(job.totalBytes);
        case kProgress: {
            const int percent = IsFinished(job.state) ? 100 : PercentDone(job.doneBytes, job.totalBytes);
            return percent < 0 ? ByteCountText(job.doneBytes) : QStringLiteral("%1%").arg(percent);
        }
        case kSpeed:
            return running ? SpeedText(job.bytesPerSecond) : QString();
        case kTimeLeft:
            return running ? TimeLeftText(job.secondsLeft) : QString();
        case kState:
            return StateWithReason(job);
        default:
            return {};
    }
}

QVariant TransferQueueModel::data(const QModelIndex& index, int role) const {
    const TransferJob* job = index.isValid() ? JobAt(index.row()) : nullptr;
    if (!job) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return DisplayText(*job, index.column());
        case Qt::ToolTipRole:
            // Paths and reasons may be longer than their column.
            if (index.column() == kLocalPath || index.column() == kRemotePath || index.column() == kState)
                return DisplayText(*job, index.column());
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == kSize || index.column() == kSpeed || index.column() == kTimeLeft)
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        case kProgressRole:
            return IsFinished(job->state) ? 100 : PercentDone(job->doneBytes, job->totalBytes);
        case kJobIdRole:
            return QVariant::fromValue<quint64>(job->id);
        case kStateRole:
            return static_cast<int>(job->state);
        default:
            return {};
    }
}

QVariant TransferQueueModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kTitles[kColumnCount] = {"Direction", "Local path", "Remote path", "Size",
                                                      "Progress",  "Speed",      "Time left",   "State"};
    if (section < 0 || section >= kColumnCount) return {};
    return QString::fromLatin1(kTitles[section]);
}

bool TransferQueueModel::RemoveRowsGone(const std::vector<TransferJob>& jobs) {
    std::unordered_map<std::uint64_t, std::size_t> position;
    for (std::size_t i = 0; i < jobs.size(); ++i) position.emplace(jobs[i].id, i);
    // From the bottom up, so that the rows above keep their numbers.
    for (int row = static_cast<int>(rows.size()) - 1; row >= 0; --row) {
        if (position.count(rows[static_cast<std::size_t>(row)].id)) continue;
        int first = row;
        while (first > 0 && !position.count(rows[static_cast<std::size_t>(first - 1)].id)) --first;
        beginRemoveRows({}, first, row);
        rows.erase(rows.begin() + first, rows.begin() + row + 1);
        endRemoveRows();
        row = first;
    }
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (position[rows[i - 1].id] > position[rows[i].id]) return false;
    }
    return true;
}

void TransferQueueModel::Refresh() {
    const std::vector<TransferJob> jobs = queue.Jobs();
    if (!RemoveRowsGone(jobs)) {
        beginResetModel();
        rows = jobs;
        endResetModel();
        return;
    }
    // What is left is in queue order: walk both, inserting the new jobs where
    // they stand and updating the rows whose figures moved.
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const int row = static_cast<int>(i);
        if (i < rows.size() && rows[i].id == jobs[i].id) {
            if (!SameFigures(rows[i], jobs[i])) {
                rows[i] = jobs[i];
                emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
            }
            continue;
        }
        beginInsertRows({}, row, row);
        rows.insert(rows.begin() + row, jobs[i]);
        endInsertRows();
    }
}
