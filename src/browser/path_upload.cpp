#include "browser/path_upload.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "browser/existing_target.h"
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

// Sends one file under its name, or under the name the answer about an
// existing remote file gives it.
PathUpload::Step PathUpload::UploadFile(const QString& path, const QString& name) {
    TransferTarget target;
    target.path = name;
    if (list != nullptr) {
        ExistingTargets existing(session, policy);
        target = existing.ForUpload(path, name, list->ListsFile(name), list->ListedNames(),
                                    list->ListedFileSide(name));
    }
    if (target.step == TransferTarget::Step::CancelBatch) return Step::Stop;
    if (target.step == TransferTarget::Step::Skip) return Step::Next;
    const std::string localPath = QFile::encodeName(path).toStdString();
    session.SetResume(target.resume);
    const ReplyClass result = session.UploadFile(QFile::encodeName(target.path).toStdString(), &localPath);
    session.SetResume(false);
    if (result != kComplete || !session.IsConnected()) {
        // A cancelled upload closes the session and may report an earlier
        // transfer's result: it failed all the same.
        ShowMessage(parent, QStringLiteral("Error uploading file."));
    } else if (list != nullptr) {
        list->LoadListing();  // the new file shows at once
    }
    return Step::Next;
}

PathUpload::Step PathUpload::UploadOne(const QString& given) {
    const QString path = QDir::cleanPath(given);
    const QString name = path.section(QLatin1Char('/'), -1);
    if (name.isEmpty()) return Step::Next;  // the file system root has no name to upload under
    if (QFileInfo(path).isDir()) {
        // Files of the tree that did not arrive whole are failures too;
        // the log names each one, the message says the tree is incomplete.
        const WalkResult walk =
            session.UploadTree(QFile::encodeName(path).toStdString(), QFile::encodeName(name).toStdString());
        if (walk.failures > 0 || !session.IsConnected()) {
            ShowMessage(parent, QStringLiteral("Error uploading file."));
        }
        if (session.IsConnected() && list) list->LoadListing();  // the new folder shows at once
    } else if (UploadFile(path, name) == Step::Stop) {
        return Step::Stop;
    }
    // A closed session is left, and the paths after it cannot be sent.
    if (!session.IsConnected()) {
        if (list) list->LeaveClosedSession();
        return Step::Stop;
    }
    return Step::Next;
}
