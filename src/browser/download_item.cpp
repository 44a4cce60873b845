#include "browser/download_item.h"

#include <QFileInfo>

#include "browser/remote_list_widget.h"
#include "ftp/walk_paths.h"
#include "platform/desktop/message_seam.h"

namespace {

// Reads one selected row into an item; returns the message that refuses the
// whole selection, or an empty text.
QString ReadItem(const RemoteListWidget& list, int row, const QString& directory, const QString& verb,
                 DownloadItem& item) {
    item.label = list.ItemText(row, RemoteListModel::kName);
    item.size = list.ItemText(row, RemoteListModel::kSize);
    item.modified = list.ItemText(row, RemoteListModel::kModified);
    const QString permissions = list.ItemText(row, RemoteListModel::kPermissions);
    const QChar type = permissions.isEmpty() ? u' ' : permissions[0];
    item.link = type == u'l';
    item.wholeTree = type == u'd' || item.link;
    const QString name = list.Model().Item(row).Name();
    if (!IsSafeLocalName(name.toStdString())) {
        return QStringLiteral(
                   "\"%1\" cannot be %2: the server lists it under a name that no local file can have.")
            .arg(item.label, verb);
    }
    item.remoteName = name.toStdString();
    // The local name has control characters written as %XX; the server's stays.
    item.localPath = directory + QString::fromStdString(LocalNameFor(item.remoteName));
    if (item.remoteName.size() > kMaxDownloadNameBytes ||
        item.localPath.toUtf8().size() > kMaxDownloadPathBytes) {
        return QStringLiteral("\"%1\" cannot be %2: its local path would be too long.").arg(item.label, verb);
    }
    return {};
}

}  // namespace

QList<DownloadItem> SelectedDownloads(const RemoteListWidget& list, const QString& directory,
                                      const QString& verb, QString& problem) {
    problem.clear();
    QList<DownloadItem> items;
    for (int row : list.SelectedRows()) {
        const ItemKind kind = list.KindAt(row);
        if (kind != ItemKind::File && kind != ItemKind::Directory) continue;
        DownloadItem item;
        problem = ReadItem(list, row, directory, verb, item);
        if (!problem.isEmpty()) return {};
        items.append(std::move(item));
    }
    return items;
}

std::optional<QList<DownloadItem>> SelectionForFolder(const RemoteListWidget& list, const QString& folder,
                                                      QWidget* parent) {
    QString directory = folder;
    if (!directory.endsWith(u'/')) directory += u'/';
    QString problem;
    QList<DownloadItem> items = SelectedDownloads(list, directory, QStringLiteral("downloaded"), problem);
    if (problem.isEmpty()) return items;
    ShowMessage(parent, problem);
    return std::nullopt;
}
