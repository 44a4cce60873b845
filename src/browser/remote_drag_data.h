#pragma once

#include <QList>
#include <QMimeData>
#include <QString>

#include <functional>

class CFtpSession;
class CRemoteListCtrl;

// What the list offers when items are dragged out of it onto the desktop or a
// file manager: the local paths of the dragged items as a file list. The files
// are fetched only when the drop has been decided (the mouse button is up) and
// a target asks for the list; a target that looks at the list while the drag
// is still going on gets the paths and nothing is downloaded. Directories and
// links are fetched whole.
class CRemoteDragData : public QMimeData {
    Q_OBJECT

public:
    using DropDecided = std::function<bool()>;

    // Takes the list's selected items as they are now; files land in the
    // session's download directory.
    CRemoteDragData(const CRemoteListCtrl& list, CFtpSession& session, DropDecided dropDecided = {});

    bool IsEmpty() const { return items.isEmpty(); }
    QStringList LocalPaths() const;

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    struct Item {
        QString name;
        bool wholeDirectory = false;
    };

    void DownloadAll() const;

    CFtpSession& session;
    DropDecided dropDecided;
    QString directory;
    QList<Item> items;
    mutable bool downloaded = false;
};
