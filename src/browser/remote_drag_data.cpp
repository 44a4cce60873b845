#include "browser/remote_drag_data.h"

#include <QGuiApplication>
#include <QUrl>

#include "browser/remote_list_ctrl.h"
#include "ftp/ftp_session.h"

namespace {

const QString kUriList = QStringLiteral("text/uri-list");

// A name from the listing that would leave the download directory is not offered.
bool IsPlainName(const QString& name) {
    return !name.isEmpty() && name != u'.' && name != QStringLiteral("..") && !name.contains(u'/') &&
           !name.contains(QChar(0));
}

}  // namespace

CRemoteDragData::CRemoteDragData(const CRemoteListCtrl& list, CFtpSession& session, DropDecided decided)
    : session(session), dropDecided(std::move(decided)), directory(QString::fromStdString(session.downloadDir)) {
    if (!dropDecided) dropDecided = [] { return !(QGuiApplication::mouseButtons() & Qt::LeftButton); };
    for (int row : list.SelectedRows()) {
        const ItemKind kind = list.KindAt(row);
        if (kind != ItemKind::File && kind != ItemKind::Directory) continue;
        const QString name = list.ItemText(row, RemoteListModel::kName);
        if (!IsPlainName(name)) continue;
        const QString permissions = list.ItemText(row, RemoteListModel::kPermissions);
        const QChar type = permissions.isEmpty() ? u' ' : permissions[0];
        items.append({name, type == u'd' || type == u'l'});
    }
}

QStringList CRemoteDragData::LocalPaths() const {
    QStringList paths;
    for (const Item& item : items) paths.append(directory + item.name);
    return paths;
}

QStringList CRemoteDragData::formats() const { return {kUriList}; }

bool CRemoteDragData::hasFormat(const QString& mimeType) const { return mimeType == kUriList; }

void CRemoteDragData::DownloadAll() const {
    // One after another, each with its own progress dialog; a failed one does
    // not stop the others, and the target gets the list either way.
    for (const Item& item : items) {
        const std::string local = (directory + item.name).toStdString();
        if (item.wholeDirectory) {
            session.DownloadTree(item.name.toStdString(), &local);
        } else {
            session.DownloadFile(item.name.toStdString(), &local);
        }
    }
}

QVariant CRemoteDragData::retrieveData(const QString& mimeType, QMetaType type) const {
    if (mimeType != kUriList) return {};
    if (!downloaded && dropDecided()) {
        downloaded = true;
        DownloadAll();
    }
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
