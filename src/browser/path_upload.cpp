#include "browser/path_upload.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "browser/remote_list_pane.h"
#include "ftp/ftp_session.h"
#include "platform/desktop/message_seam.h"

void PathUpload::Run(const QStringList& paths) {
    if (!session.IsConnected()) {
        ShowMessage(parent, QStringLiteral("System Not Connected To A Server"));
        return;
    }
    for (const QString& path : paths) {
        if (UploadOne(path) == Step::Stop) return;
    }
}

bool PathUpload::MayReplace(const QString& name, bool& stop) const {
    if (!list || !list->ListsFile(name)) return true;
    const MessageAnswer answer = ShowMessage(
        parent,
        QStringLiteral("File %1 already exists on the server.\n Do you wish to overwrite it?").arg(name),
        MessageButtons::OverwriteSkipCancel, MessageIcon::Question);
    stop = answer == MessageAnswer::Cancel;
    return answer == MessageAnswer::Yes;
}

PathUpload::Step PathUpload::UploadOne(const QString& given) {
    const QString path = QDir::cleanPath(given);
    const QString name = path.section(QLatin1Char('/'), -1);
    if (name.isEmpty()) return Step::Next;  // the file system root has no name to upload under
    const std::string localPath = QFile::encodeName(path).toStdString();
    const std::string remoteName = QFile::encodeName(name).toStdString();
    bool uploaded = true;
    if (QFileInfo(path).isDir()) {
        // Files of the tree that did not arrive whole are failures too;
        // the log names each one, the message says the tree is incomplete.
        const WalkResult walk = session.UploadTree(localPath, remoteName);
        if (walk.failures > 0 || !session.IsConnected()) {
            ShowMessage(parent, QStringLiteral("Error uploading file."));
        }
    } else {
        bool stop = false;
        if (!MayReplace(name, stop)) return stop ? Step::Stop : Step::Next;
        if (session.UploadFile(remoteName, &localPath) != kComplete || !session.IsConnected()) {
            // A cancelled upload closes the session and may report an earlier
            // transfer's result: it failed all the same.
            ShowMessage(parent, QStringLiteral("Error uploading file."));
            uploaded = false;
        }
    }
    // The new file or folder shows at once; a closed session is left, and
    // the paths after it cannot be sent.
    if (!session.IsConnected()) {
        if (list) list->LeaveClosedSession();
        return Step::Stop;
    }
    if (list && uploaded) list->LoadListing();
    return Step::Next;
}
