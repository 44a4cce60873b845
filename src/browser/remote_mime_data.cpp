#include "browser/remote_mime_data.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>

#include "browser/remote_drop_source.h"
#include "browser/remote_list_widget.h"
#include "ftp/ftp_session.h"
#include "ftp/temporary_paths.h"
#include "ftp/walk_paths.h"

namespace {

const QString kUriList = QStringLiteral("text/uri-list");
const QString kLinkArrow = QStringLiteral(" -> ");

QString DownloadDirectory(const FtpSession& session) {
    QString directory = QString::fromStdString(session.Settings().downloadDir);
    if (directory.isEmpty()) directory = QString::fromStdString(SystemTemporaryDirectory());
    if (!directory.endsWith(u'/')) directory += u'/';
    return directory;
}

// Reads one selected row into an item; returns the message that refuses the
// whole drag, or an empty text.
QString ReadItem(const RemoteListWidget& list, int row, const QString& directory, DragOutItem& item) {
    item.label = list.ItemText(row, RemoteListModel::kName);
    const QString permissions = list.ItemText(row, RemoteListModel::kPermissions);
    const QChar type = permissions.isEmpty() ? u' ' : permissions[0];
    item.link = type == u'l';
    item.wholeTree = type == u'd' || item.link;
    // A link is listed as "name -> target"; the server knows it by its name.
    QString name = item.label;
    if (item.link && name.contains(kLinkArrow)) name = name.section(kLinkArrow, 0, 0);
    if (!IsSafeLocalName(name.toStdString())) {
        return QStringLiteral("\"%1\" cannot be dragged out: the server lists it under a name that no local "
                              "file can have.")
            .arg(item.label);
    }
    item.remoteName = name.toStdString();
    item.localPath = directory + name;
    if (item.remoteName.size() > RemoteMimeData::kMaxNameBytes ||
        item.localPath.toUtf8().size() > RemoteMimeData::kMaxPathBytes) {
        return QStringLiteral("\"%1\" cannot be dragged out: its local path would be too long.").arg(item.label);
    }
    return {};
}

}  // namespace

std::unique_ptr<RemoteMimeData> RemoteMimeData::FromSelection(const RemoteListWidget& list,
                                                              FtpSession& session, QString& problem) {
    problem.clear();
    QList<int> rows;
    for (int row : list.SelectedRows()) {
        const ItemKind kind = list.KindAt(row);
        if (kind == ItemKind::File || kind == ItemKind::Directory) rows.append(row);
    }
    if (rows.isEmpty()) return nullptr;
    // A drop never carries part of the selection: the target would not know
    // what was left out.
    if (rows.size() > kMaxItems) {
        problem = QStringLiteral("%1 items are selected; at most %2 can be dragged out at a time.")
                      .arg(rows.size())
                      .arg(kMaxItems);
        return nullptr;
    }
    const QString directory = DownloadDirectory(session);
    QList<DragOutItem> items;
    for (int row : rows) {
        DragOutItem item;
        problem = ReadItem(list, row, directory, item);
        if (!problem.isEmpty()) return nullptr;
        items.append(std::move(item));
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

// Returns whether the item is now, complete, where its path says. A transfer
// cancelled from its dialog reports the previous transfer's result, but it
// leaves the session disconnected.
bool RemoteMimeData::Download(FtpSession& session, const DragOutItem& item) {
    const std::string local = item.localPath.toStdString();
    const auto fileArrived = [&] {
        return session.DownloadFile(item.remoteName, &local) == kComplete && session.IsConnected() &&
               QFileInfo(item.localPath).isFile();
    };
    if (!item.wholeTree) return fileArrived();
    // An existing local directory is left as it is by the walk and handed over.
    session.DownloadTree(item.remoteName, &local);
    if (QFileInfo(item.localPath).isDir()) return session.IsConnected();
    // The walk could not enter the link: it leads to a file.
    return item.link && session.IsConnected() && fileArrived();
}

// Works on its own copy of the items: the drag that owns this object may be
// discarded while a progress dialog runs its event loop.
QStringList RemoteMimeData::DownloadAll(FtpSession& session, const QList<DragOutItem> items) {
    QStringList written;
    for (const DragOutItem& item : items) {
        if (Download(session, item)) written.append(item.localPath);
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
    if (RemoteDropSource::DropDecided()) DownloadForDrop();
    RemoteDropSource::ClearDropDecided();
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
