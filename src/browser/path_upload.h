#pragma once

#include <QStringList>

class FtpSession;
class QWidget;
class RemoteListPane;

// Uploads local files and folders into the current remote directory, in the
// order given: a folder whole (a tree walk), a file on its own. A file the
// listing already shows is replaced only after the user says so (Overwrite,
// Skip, or Cancel for the rest). After each upload the list shows a fresh
// listing; a session closed by a cancelled transfer is left, and nothing after
// it is sent. Used by drops onto the window and by Upload...
class PathUpload {
public:
    PathUpload(FtpSession& session, RemoteListPane* list, QWidget* parent)
        : session(session), list(list), parent(parent) {}

    void Run(const QStringList& paths);

private:
    enum class Step { Next, Stop };
    Step UploadOne(const QString& path);
    // Whether the file may go up under its name: true when nothing is in the way
    // or the user chose Overwrite; stop is set for Cancel.
    bool MayReplace(const QString& name, bool& stop) const;

    FtpSession& session;
    RemoteListPane* list;
    QWidget* parent;
};
