// Upload... and Download to...: transfers between the remote list and local
// files or folders that the user picks in a file dialog. They become jobs of
// the transfer queue, which runs them on connections of its own.
#include "browser/app_context.h"
#include "browser/queued_transfers.h"
#include "browser/remote_view.h"
#include "platform/desktop/file_dialog_seam.h"

namespace {

// Where the file dialogs open: the download directory, the folder users know.
QString StartFolder(const AppContext& context) {
    return QString::fromStdString(context.settings.defaultDownloadDirectory);
}

}  // namespace

bool RemoteView::ListsFile(const QString& name) const { return ListedFileRow(name) >= 0; }

int RemoteView::ListedFileRow(const QString& name) const {
    for (int row = 0; row < list->ItemCount(); ++row) {
        const RemoteListItem& item = list->Model().Item(row);
        if (item.kind == ItemKind::File && item.label == name) return row;
    }
    return -1;
}

ExistingFileSide RemoteView::ListedFileSide(const QString& name) const {
    const int row = ListedFileRow(name);
    if (row < 0) return {};
    const RemoteListItem& item = list->Model().Item(row);
    return {item.size, item.modified};
}

void RemoteView::UploadChosenFiles() {
    if (!Connected()) return;
    const QStringList files = AskForFiles(this, QStringLiteral("Upload"), StartFolder(context));
    if (files.isEmpty()) return;
    QueuedTransfers(context, place, this).QueueUploads(files, this);
}

void RemoteView::DownloadSelectedTo() {
    if (!Connected() || list->SelectedCount() == 0) return;
    const QString folder = AskForFolder(this, QStringLiteral("Download To"), StartFolder(context));
    if (folder.isEmpty()) return;
    QueuedTransfers(context, place, this).QueueDownloads(*list, folder);
}

bool RemoteView::ListsFolder(const QString& name) const {
    const int row = list->FindLabel(name);
    return row >= 0 && list->KindAt(row) == ItemKind::Directory;
}
