#include "drop_target_window.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QVBoxLayout>

bool CopyIntoFolder(const QString& source, const QString& folder) {
    const QFileInfo info(source);
    const QString target = folder + u'/' + info.fileName();
    if (!info.isDir()) return QFile::copy(source, target);
    if (!QDir().mkpath(target)) return false;
    bool complete = true;
    for (const QFileInfo& child : QDir(source).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        complete = CopyIntoFolder(child.filePath(), target) && complete;
    return complete;
}

DropTargetWindow::DropTargetWindow(const QString& folder, QWidget* parent) : QWidget(parent), folder(folder) {
    setWindowTitle(QStringLiteral("Drop target"));
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Drop files here"), this));
    resize(300, 200);
}

void DropTargetWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void DropTargetWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!looked) {
        looked = true;
        seenWhileDragging = event->mimeData()->urls();
        bytesWhileDragging = 0;
        for (const QUrl& url : seenWhileDragging) bytesWhileDragging += QFileInfo(url.toLocalFile()).size();
    }
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void DropTargetWindow::dropEvent(QDropEvent* event) {
    ++drops;
    dropped = event->mimeData()->urls();
    for (const QUrl& url : dropped) {
        if (url.isLocalFile() && CopyIntoFolder(url.toLocalFile(), folder)) copied << QFileInfo(url.toLocalFile()).fileName();
    }
    event->acceptProposedAction();
    emit Dropped();
}
