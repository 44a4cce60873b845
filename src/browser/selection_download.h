#pragma once

#include <QString>
#include <QStringList>

class FtpSession;
class QWidget;
class RemoteListWidget;

// Downloads the list's selected files and folders into a local folder the
// user chose (Download to...): files one by one, folders whole, as a drag out
// does. For a file already there the user chooses (see ExistingTargets), once
// per file or once for the rest of the batch; a folder already there is left
// as it is. What did not arrive whole is named in one message at the end.
class SelectionDownload {
public:
    SelectionDownload(FtpSession& session, QWidget* parent) : session(session), parent(parent) {}

    // Returns the local paths written.
    QStringList Run(const RemoteListWidget& list, const QString& folder);

private:
    FtpSession& session;
    QWidget* parent;
};
