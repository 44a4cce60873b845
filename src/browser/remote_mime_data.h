#pragma once

#include <QList>
#include <QMimeData>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

#include "browser/download_item.h"

class ConnectionClient;
class RemoteListWidget;

// One remote item dragged out of the list, bound for the download directory.
using DragOutItem = DownloadItem;

// The data a drag out of the remote list offers a drop target: the desktop's
// file list (text/uri-list of file:// URLs). It is produced only when a target
// asks. Before the drop is decided the target gets the paths and nothing is
// downloaded; once the left button has been released, the first request
// downloads every item in list order, each with its own progress dialog, and
// then hands over the paths of what was written. Any other format is refused
// without a download.
class RemoteMimeData : public QMimeData {
    Q_OBJECT

public:
    static constexpr int kMaxItems = 3500;
    static constexpr int kMaxNameBytes = kMaxDownloadNameBytes;
    static constexpr int kMaxPathBytes = kMaxDownloadPathBytes;

    // The selected files and directories of the list, in list order, with the
    // session's download directory as their destination. Returns null when the
    // selection holds nothing to drag, and also when it cannot be dragged as a
    // whole (too many items, an unusable or over-long name); `problem` then
    // holds the message to show.
    // remoteDirectory is the list's directory on the connection's server.
    static std::unique_ptr<RemoteMimeData> FromSelection(const RemoteListWidget& list, ConnectionClient& connection,
                                                         const QString& remoteDirectory, QString& problem);

    RemoteMimeData(ConnectionClient& connection, const QString& remoteDirectory, QList<DragOutItem> items);

    const QList<DragOutItem>& Items() const { return items; }
    // The paths a target is handed now: every item's before the drop, the
    // written ones after it.
    QStringList LocalPaths() const;

    // Some file managers look at the named files while the drag passes over
    // them and refuse names that do not exist; an empty file or directory
    // stands in for each item that has no local copy yet. Never touches
    // anything that exists.
    void CreatePlaceholders();
    // Removes the stand-ins that no download has replaced (those still empty).
    void RemovePlaceholders(const QStringList& keep = {}) const;
    bool Downloaded() const { return downloaded; }

    // The left button was let go: the next request is the drop's own.
    void DecideDrop() const { dropDecided = true; }
    bool DropDecided() const { return dropDecided; }

    // Downloads every item, once, and keeps the paths of what was written.
    // Runs at the first request after the drop, or earlier, when the button
    // is let go over a target that accepts the drop.
    void DownloadForDrop() const;


    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    QPointer<ConnectionClient> connection;
    QString remoteDirectory;
    QList<DragOutItem> items;
    // Set when the button is let go, cleared by the request it makes real;
    // it belongs to this drag, so a drag released over nothing leaves no
    // decision behind for the next one.
    mutable bool dropDecided = false;
    mutable bool downloading = false;
    mutable bool downloaded = false;
    mutable QStringList writtenPaths;
    mutable QStringList placeholders;
};
