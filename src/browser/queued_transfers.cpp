#include "browser/queued_transfers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "browser/app_context.h"
#include "browser/background_transfers.h"
#include "browser/download_item.h"
#include "browser/batch_overwrite_policy.h"
#include "browser/remote_list_pane.h"
#include "platform/desktop/message_seam.h"

bool QueuedTransfers::CanQueue() const {
    if (!place.connected) {
        ShowMessage(parent, QStringLiteral("System Not Connected To A Server"));
        return false;
    }
    // The queue's connections log in afresh: a path relative to a login
    // directory the server never named could lead anywhere.
    if (!remote_path::IsAbsolute(place.path)) {
        ShowMessage(parent, QStringLiteral("The server has not said where this folder is, so nothing can be "
                                           "transferred to or from it."));
        return false;
    }
    if (!context.transfers) {
        ShowMessage(parent, QStringLiteral("There is no transfer queue to take these transfers."));
        return false;
    }
    return true;
}

std::string QueuedTransfers::RemotePathIn(const QString& directory, const std::string& name) {
    std::string path = directory.toStdString();
    if (path.empty() || path.back() != '/') path += '/';
    return path + name;
}

TransferJob QueuedTransfers::NewJob(TransferDirection direction) const {
    TransferJob job;
    job.direction = direction;
    job.site = QueueSiteKey(place.site, place.quick);
    return job;
}

int QueuedTransfers::Send(std::vector<TransferJob> jobs, const QStringList& refused) {
    if (!refused.isEmpty()) {
        ShowMessage(parent, QStringLiteral("These items were not queued:\n") + refused.join(u'\n'));
    }
    if (!jobs.empty()) context.transfers->Add(jobs);
    return static_cast<int>(jobs.size());
}

bool QueuedTransfers::SettleExisting(BatchOverwritePolicy& policy, const ExistingFileFacts& facts,
                                     TransferJob& job) {
    const std::optional<ExistingFileChoice> choice = policy.ChoiceFor(facts);
    if (!choice) return false;
    // A folder's Skip still brings what is not there yet.
    if (*choice == ExistingFileChoice::Skip && !facts.folder) return false;
    job.existing = *choice;
    return true;
}

int QueuedTransfers::QueueDownloads(const RemoteListWidget& list, const QString& folder) {
    if (!CanQueue()) return 0;
    const std::optional<QList<DownloadItem>> selection = SelectionForFolder(list, folder, parent);
    if (!selection) return 0;
    const QList<DownloadItem>& items = *selection;
    BatchOverwritePolicy policy(parent);
    std::vector<TransferJob> jobs;
    for (const DownloadItem& item : items) {
        const QFileInfo there(item.localPath);
        TransferJob job = NewJob(TransferDirection::Download);
        job.isDirectory = item.wholeTree;
        // A link may turn out to lead to a file, which would replace this one.
        const bool folder = item.wholeTree && there.isDir();
        if (folder || (there.exists() && !there.isDir() && (!item.wholeTree || item.link))) {
            ExistingFileFacts facts{item.localPath, false, LocalFileSide(item.localPath),
                                    {item.size, item.modified}};
            facts.folder = folder;
            if (!SettleExisting(policy, facts, job)) {
                if (policy.Cancelled()) return 0;
                continue;
            }
        }
        job.localPath = QFile::encodeName(item.localPath).toStdString();
        job.remotePath = RemotePathIn(place.path, item.remoteName);
        jobs.push_back(std::move(job));
    }
    return Send(std::move(jobs), {});
}

int QueuedTransfers::QueueUploads(const QStringList& paths, const RemoteListPane* list) {
    if (!CanQueue()) return 0;
    BatchOverwritePolicy policy(parent);
    std::vector<TransferJob> jobs;
    QStringList refused;
    for (const QString& given : paths) {
        const QString path = QDir::cleanPath(given);
        const QString name = path.section(QLatin1Char('/'), -1);
        const QFileInfo local(path);
        if (!local.exists()) {
            refused << given + QStringLiteral(" (no such file or folder)");
            continue;
        }
        if (name.isEmpty()) {
            refused << given + QStringLiteral(" (the root folder has no name to upload under)");
            continue;
        }
        TransferJob job = NewJob(TransferDirection::Upload);
        job.isDirectory = local.isDir();
        if (!job.isDirectory) job.totalBytes = local.size();
        const bool there = list && (job.isDirectory ? list->ListsFolder(name) : list->ListsFile(name));
        if (there) {
            ExistingFileFacts facts{name, true, list->ListedFileSide(name), LocalFileSide(path)};
            facts.folder = job.isDirectory;
            if (!SettleExisting(policy, facts, job)) {
                if (policy.Cancelled()) return 0;
                continue;
            }
        }
        job.localPath = QFile::encodeName(path).toStdString();
        job.remotePath = RemotePathIn(place.path, QFile::encodeName(name).toStdString());
        jobs.push_back(std::move(job));
    }
    return Send(std::move(jobs), refused);
}
