// Upload... and Download to...: transfers between the remote list and local
// files or folders that the user picks in a file dialog. They go to the
// transfer queue when the program has one.
#include "browser/app_context.h"
#include "browser/path_upload.h"
#include "browser/queued_transfers.h"
#include "browser/remote_view.h"
#include "browser/selection_download.h"
#include "ftp/ftp_session.h"
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

QStringList RemoteView::ListedNames() const {
    QStringList names;
    for (int row = 0; row < list->ItemCount(); ++row) {
        const RemoteListItem& item = list->Model().Item(row);
        names << item.Name();
    }
    return names;
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
    if (QueuedTransfers::Available(context, place)) {
        QueuedTransfers(context, place, this).QueueUploads(files, this);
        return;
    }
    PathUpload(context.session, this, this).Run(files);
}

void RemoteView::DownloadSelectedTo() {
    if (!Connected() || list->SelectedCount() == 0) return;
    const QString folder = AskForFolder(this, QStringLiteral("Download To"), StartFolder(context));
    if (folder.isEmpty()) return;
    if (QueuedTransfers::Available(context, place)) {
        QueuedTransfers(context, place, this).QueueDownloads(*list, folder);
        return;
    }
    SelectionDownload(context.session, this).Run(*list, folder);
    LeaveClosedSession();
}

bool RemoteView::ListsFolder(const QString& name) const {
    const int row = list->FindLabel(name);
    return row >= 0 && list->KindAt(row) == ItemKind::Directory;
}
