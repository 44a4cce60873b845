#include "browser/remote_drop_source.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMouseEvent>

#include "browser/remote_list_widget.h"
#include "browser/remote_mime_data.h"
#include "platform/desktop/message_seam.h"

namespace {

// The icon of the first dragged item follows the pointer.
QPixmap DragPixmap(const RemoteListWidget& list) {
    const QList<int> rows = list.SelectedRows();
    if (rows.isEmpty()) return {};
    const QModelIndex index = list.Model().index(rows.first(), RemoteListModel::kName);
    const QIcon icon = list.Model().data(index, Qt::DecorationRole).value<QIcon>();
    return icon.isNull() ? QPixmap() : icon.pixmap(32, 32);
}

}  // namespace

RemoteDropSource::RemoteDropSource(const RemoteMimeData* data) : data(data) {}

bool RemoteDropSource::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        cancelled = true;
    } else if (event->type() == QEvent::MouseButtonRelease && !cancelled &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (data) {
            data->DecideDrop();
            if (targetAction != Qt::IgnoreAction) data->DownloadForDrop();
        }
    }
    return QObject::eventFilter(watched, event);  // the platform's drag loop acts on both
}

void RemoteDropSource::StartDragOut(QWidget* source, const RemoteListWidget& list, ConnectionClient& connection,
                                    const QString& remoteDirectory) {
    QString problem;
    std::unique_ptr<RemoteMimeData> data = RemoteMimeData::FromSelection(list, connection, remoteDirectory, problem);
    if (!problem.isEmpty()) ShowMessage(source, problem);
    if (!data) return;

    // The platform's drag may keep the QDrag after exec() returns, for a target
    // in another program that asks for the data once the drop has happened.
    data->CreatePlaceholders();
    const QPointer<RemoteMimeData> offered(data.get());
    auto* drag = new QDrag(source);
    RemoteDropSource watcher(data.get());
    drag->setMimeData(data.release());
    const QPixmap pixmap = DragPixmap(list);
    if (!pixmap.isNull()) drag->setPixmap(pixmap);

    // The drag loop installs its own application-wide filter, which swallows
    // the mouse and keys; one installed from inside the loop sees them first.
    QObject::connect(drag, &QDrag::actionChanged, &watcher, &RemoteDropSource::SetTargetAction);
    QMetaObject::invokeMethod(
        &watcher, [&watcher] { qApp->installEventFilter(&watcher); }, Qt::QueuedConnection);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    qApp->removeEventFilter(&watcher);
    // Downloads done before the drop was sent have already replaced theirs.
    if (offered && !offered->Downloaded()) offered->RemovePlaceholders();
}
