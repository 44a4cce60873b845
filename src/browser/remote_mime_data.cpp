#include "browser/remote_mime_data.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>

#include "browser/remote_list_widget.h"
#include "ftp/ftp_session.h"
#include "ftp/temporary_paths.h"

namespace {

const QString kUriList = QStringLiteral("text/uri-list");

QString DownloadDirectory(const FtpSession& session) {
    QString directory = QString::fromStdString(session.Settings().downloadDir);
    if (directory.isEmpty()) directory = QString::fromStdString(SystemTemporaryDirectory());
    if (!directory.endsWith(u'/')) directory += u'/';
    return directory;
}

}  // namespace

std::unique_ptr<RemoteMimeData> RemoteMimeData::FromSelection(const RemoteListWidget& list,
                                                              FtpSession& session, QString& problem) {
    QList<DragOutItem> items =
        SelectedDownloads(list, DownloadDirectory(session), QStringLiteral("dragged out"), problem);
    if (items.isEmpty()) return nullptr;
    // A drop never carries part of the selection: the target would not know
    // what was left out.
    if (items.size() > kMaxItems) {
        problem = QStringLiteral("%1 items are selected; at most %2 can be dragged out at a time.")
                      .arg(items.size())
                      .arg(kMaxItems);
        return nullptr;
    }
    return std::make_unique<RemoteMimeData>(session, std::move(items));
}

RemoteMimeData::RemoteMimeData(FtpSession& session, QList<DragOutItem> items)
    : session(session), items(std::move(items)) {}

QStringList RemoteMimeData::LocalPaths() const {
    if (downloaded) return writtenPaths;
    QStringList paths;
    for (const DragOutItem& item : items) paths.append(item.localPath);
    return paths;
}

QStringList RemoteMimeData::formats() const { return {kUriList}; }

bool RemoteMimeData::hasFormat(const QString& mimeType) const { return mimeType == kUriList; }

// Works on its own copy of the items: the drag that owns this object may be
// discarded while a progress dialog runs its event loop.
QStringList RemoteMimeData::DownloadAll(FtpSession& session, const QList<DragOutItem> items) {
    QStringList written;
    for (const DragOutItem& item : items) {
        if (DownloadOne(session, item)) written.append(item.localPath);
        // Cancel in a progress dialog (or a lost connection) leaves the session
        // disconnected: the remaining items could not be fetched anyway.
        if (!session.IsConnected()) break;
    }
    return written;
}

void RemoteMimeData::CreatePlaceholders() {
    for (const DragOutItem& item : items) {
        if (QFileInfo::exists(item.localPath)) continue;
        QFile file(item.localPath);
        const bool made = item.wholeTree ? QDir().mkdir(item.localPath) : file.open(QIODevice::NewOnly);
        if (made) placeholders.append(item.localPath);
    }
}

void RemoteMimeData::RemovePlaceholders(const QStringList& keep) const {
    for (const QString& path : std::as_const(placeholders)) {
        if (keep.contains(path)) continue;
        const QFileInfo info(path);
        if (info.isDir()) {
            QDir().rmdir(path);  // only while empty
        } else if (info.isFile() && info.size() == 0) {
            QFile::remove(path);
        }
    }
    placeholders.clear();
}

void RemoteMimeData::DownloadForDrop() const {
    if (downloaded || downloading) return;
    QPointer<const RemoteMimeData> alive(this);
    downloading = true;
    // A directory walk makes its directory itself and leaves an existing one alone.
    for (const QString& path : std::as_const(placeholders)) {
        if (QFileInfo(path).isDir()) QDir().rmdir(path);
    }
    const QStringList written = DownloadAll(session, items);
    if (!alive) return;
    downloading = false;
    downloaded = true;
    writtenPaths = written;
    RemovePlaceholders(written);
}

QVariant RemoteMimeData::retrieveData(const QString& mimeType, QMetaType type) const {
    // Any other format gets an empty value rather than none, because Qt would
    // otherwise answer a text request from the file list, downloads included.
    if (mimeType != kUriList) return type.isValid() ? QVariant(type) : QVariant();
    // A request that arrives while the downloads run has nothing complete to receive yet.
    if (downloading) return {};
    QPointer<const RemoteMimeData> alive(this);
    if (dropDecided) DownloadForDrop();
    dropDecided = false;
    if (!alive) return {};
    QList<QUrl> urls;
    for (const QString& path : LocalPaths()) urls.append(QUrl::fromLocalFile(path));
    if (type.id() == QMetaType::QByteArray) {
        QByteArray text;
        for (const QUrl& url : urls) text += url.toEncoded() + "\r\n";
        return text;
    }
    QVariantList list;
    for (const QUrl& url : urls) list.append(url);
    return list;
}
