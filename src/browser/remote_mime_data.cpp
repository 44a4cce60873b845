#include "browser/remote_mime_data.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>
#include <optional>

#include "browser/connection_client.h"
#include "browser/remote_list_widget.h"
#include "browser/request_progress_dialog.h"
#include "ftp/temporary_paths.h"
#include "sites/remote_place.h"

namespace {

const QString kUriList = QStringLiteral("text/uri-list");

QString DownloadDirectory(const ConnectionClient& connection) {
    QString directory = QString::fromStdString(connection.Settings().downloadDir);
    if (directory.isEmpty()) directory = QString::fromStdString(SystemTemporaryDirectory());
    if (!directory.endsWith(u'/')) directory += u'/';
    return directory;
}

// Runs one request and waits for it with a progress dialog whose Cancel ends
// it. A drop target needs the files before it hears of the drop, so this is
// the one place where the window waits for the network.
RequestResult RunAndWait(ConnectionClient& connection, Request request, const QString& label) {
    QEventLoop loop;
    std::optional<RequestResult> finished;
    RequestProgressDialog dialog(QStringLiteral("Transfer Status"),
                                 QStringLiteral("Retrieving %1 From %2")
                                     .arg(label, QString::fromStdString(connection.Settings().host)),
                                 nullptr);
    if (!dialog.Announce()) return Result<void>(Error(Error::Category::Cancelled, "Cancelled"));
    const std::uint64_t id = connection.Run(std::move(request), [&](const RequestResult& result) {
        finished = result;
        loop.quit();
    });
    QObject::connect(&dialog, &RequestProgressDialog::cancelRequested, &connection,
                     [&connection, id] { connection.Cancel(id); });
    QObject::connect(&connection, &ConnectionClient::progress, &dialog,
                     [&dialog, id](std::uint64_t request, qint64 done, qint64 total) {
                         if (request == id) dialog.ShowProgress(done, total);
                     });
    QObject::connect(&connection, &QObject::destroyed, &loop, &QEventLoop::quit);
    if (!finished) loop.exec();
    if (!finished) return Result<void>(Error(Error::Category::Cancelled, "Cancelled"));
    return *finished;
}

bool Succeeded(const RequestResult& result) { return FailureOf(result).category == Error::Category::None; }

// Fetches one item: a file on its own, a folder or a link with everything
// below it (a link that cannot be entered leads to a file). Returns whether
// the item is now, complete, where its path says; stop is set when nothing
// more can be fetched (cancelled, or the connection lost).
bool Fetch(ConnectionClient& connection, const QString& remoteDirectory, const DragOutItem& item, bool& stop) {
    const std::string remote = remote_path::Resolve(remoteDirectory, QString::fromStdString(item.remoteName))
                                   .toStdString();
    const std::string local = item.localPath.toStdString();
    const auto fileArrived = [&] {
        const RequestResult result = RunAndWait(
            connection,
            request::Transfer{TransferRequest::Direction::Download, remote, local,
                              TransferTypeFor(connection.Settings(), item.remoteName), false},
            item.label);
        stop = FailureOf(result).category == Error::Category::Cancelled ||
               FailureOf(result).category == Error::Category::Connection;
        return Succeeded(result) && QFileInfo(item.localPath).isFile();
    };
    if (!item.wholeTree) return fileArrived();
    // An existing local directory is left as it is by the walk and handed over.
    const RequestResult walk = RunAndWait(connection, request::DownloadTree{remote, local}, item.label);
    stop = FailureOf(walk).category == Error::Category::Cancelled ||
           FailureOf(walk).category == Error::Category::Connection;
    if (stop) return false;
    if (QFileInfo(item.localPath).isDir()) return true;
    // The walk could not enter the link: it leads to a file.
    return item.link && fileArrived();
}

}  // namespace

std::unique_ptr<RemoteMimeData> RemoteMimeData::FromSelection(const RemoteListWidget& list,
                                                              ConnectionClient& connection,
                                                              const QString& remoteDirectory, QString& problem) {
    QList<DragOutItem> items =
        SelectedDownloads(list, DownloadDirectory(connection), QStringLiteral("dragged out"), problem);
    if (items.isEmpty()) return nullptr;
    // A drop never carries part of the selection: the target would not know
    // what was left out.
    if (items.size() > kMaxItems) {
        problem = QStringLiteral("%1 items are selected; at most %2 can be dragged out at a time.")
                      .arg(items.size())
                      .arg(kMaxItems);
        return nullptr;
    }
    return std::make_unique<RemoteMimeData>(connection, remoteDirectory, std::move(items));
}

RemoteMimeData::RemoteMimeData(ConnectionClient& connection, const QString& remoteDirectory,
                               QList<DragOutItem> items)
    : connection(&connection), remoteDirectory(remoteDirectory), items(std::move(items)) {}

QStringList RemoteMimeData::LocalPaths() const {
    if (downloaded) return writtenPaths;
    QStringList paths;
    for (const DragOutItem& item : items) paths.append(item.localPath);
    return paths;
}

QStringList RemoteMimeData::formats() const { return {kUriList}; }

bool RemoteMimeData::hasFormat(const QString& mimeType) const { return mimeType == kUriList; }


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
    // Works on copies: the drag that owns this object may be discarded while
    // a progress dialog runs its event loop.
    const QList<DragOutItem> toFetch = items;
    const QString directory = remoteDirectory;
    const QPointer<ConnectionClient> on = connection;
    QStringList written;
    for (const DragOutItem& item : toFetch) {
        bool stop = false;
        if (!on || !alive) break;
        if (Fetch(*on, directory, item, stop)) written.append(item.localPath);
        if (stop) break;  // cancelled, or the connection is gone: the rest could not come either
    }
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
