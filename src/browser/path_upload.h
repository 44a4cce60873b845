#pragma once

#include <QStringList>

#include "browser/batch_overwrite_policy.h"

class FtpSession;
class QWidget;
class RemoteListPane;

// Uploads local files and folders into the current remote directory, in the
// order given: a folder whole (a tree walk), a file on its own. For a file the
// listing already shows the user chooses (see ExistingTargets), once per file
// or once for the rest of the upload. After each upload the list shows a fresh
// listing; a session closed by a cancelled transfer is left, and nothing after
// it is sent. Used by drops onto the window and by Upload...
class PathUpload {
public:
    PathUpload(FtpSession& session, RemoteListPane* list, QWidget* parent)
        : session(session), list(list), parent(parent), policy(parent) {}

    void Run(const QStringList& paths);

private:
    enum class Step { Next, Stop };
    Step UploadOne(const QString& path);
    Step UploadFile(const QString& path, const QString& name);

    FtpSession& session;
    RemoteListPane* list;
    QWidget* parent;
    BatchOverwritePolicy policy;
};
