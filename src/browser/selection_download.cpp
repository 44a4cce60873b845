#include "browser/selection_download.h"

#include <QFileInfo>

#include "browser/download_item.h"
#include "ftp/ftp_session.h"
#include "platform/desktop/message_seam.h"

namespace {

enum class Replace { Yes, Skip, Cancel };

Replace AskToReplace(QWidget* parent, const QString& localPath) {
    switch (ShowMessage(
        parent, QStringLiteral("File %1 already exists.\n Do you wish to overwrite it?").arg(localPath),
        MessageButtons::OverwriteSkipCancel, MessageIcon::Question)) {
        case MessageAnswer::Yes:
            return Replace::Yes;
        case MessageAnswer::No:
            return Replace::Skip;
        default:
            return Replace::Cancel;
    }
}

}  // namespace

QStringList SelectionDownload::Run(const RemoteListWidget& list, const QString& folder) {
    QString directory = folder;
    if (!directory.endsWith(u'/')) directory += u'/';
    QString problem;
    const QList<DownloadItem> items =
        SelectedDownloads(list, directory, QStringLiteral("downloaded"), problem);
    if (!problem.isEmpty()) {
        ShowMessage(parent, problem);
        return {};
    }
    QStringList written;
    QStringList missing;
    for (const DownloadItem& item : items) {
        const QFileInfo there(item.localPath);
        if (item.wholeTree && there.isDir()) {
            missing << item.label + QStringLiteral(" (a folder of that name is already there)");
            continue;
        }
        // A link may turn out to lead to a file, which would replace this one.
        if (there.exists() && !there.isDir() && (!item.wholeTree || item.link)) {
            const Replace replace = AskToReplace(parent, item.localPath);
            if (replace == Replace::Cancel) break;
            if (replace == Replace::Skip) continue;
        }
        // A folder arrived whole only when its walk missed nothing.
        const bool arrived = DownloadOne(session, item);
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
