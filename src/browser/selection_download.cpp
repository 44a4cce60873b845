#include "browser/selection_download.h"

#include <QFileInfo>

#include "browser/batch_overwrite_policy.h"
#include "browser/download_item.h"
#include "browser/existing_target.h"
#include "ftp/ftp_session.h"
#include "platform/desktop/message_seam.h"

QStringList SelectionDownload::Run(const RemoteListWidget& list, const QString& folder) {
    const std::optional<QList<DownloadItem>> selection = SelectionForFolder(list, folder, parent);
    if (!selection) return {};
    const QList<DownloadItem>& items = *selection;
    QStringList written;
    QStringList missing;
    BatchOverwritePolicy policy(parent);
    ExistingTargets existing(session, policy);
    for (DownloadItem item : items) {
        const QFileInfo there(item.localPath);
        if (item.wholeTree && there.isDir()) {
            missing << item.label + QStringLiteral(" (a folder of that name is already there)");
            continue;
        }
        // A link may turn out to lead to a file, which would replace this one.
        bool resume = false;
        if (!item.wholeTree || item.link) {
            const TransferTarget target =
                existing.ForDownload(item.localPath, item.remoteName, {item.size, item.modified});
            if (target.step == TransferTarget::Step::CancelBatch) break;
            if (target.step == TransferTarget::Step::Skip) continue;
            item.localPath = target.path;
            resume = target.resume;
        }
        // A folder arrived whole only when its walk missed nothing.
        session.SetResume(resume);
        const bool arrived = DownloadOne(session, item);
        session.SetResume(false);
        if (arrived && (!QFileInfo(item.localPath).isDir() || session.WalkFailures() == 0)) {
            written << item.localPath;
        } else {
            missing << item.label;
        }
        // Cancel in a progress dialog (or a lost connection) leaves the session
        // disconnected: the remaining items could not be fetched anyway.
        if (!session.IsConnected()) break;
    }
    if (!missing.isEmpty()) {
        ShowMessage(parent,
                    QStringLiteral("These items were not downloaded completely; the log tells why:\n") +
                        missing.join(u'\n'));
    }
    return written;
}
