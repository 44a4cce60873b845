#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>
#include <QWidget>

// A small stand-in for a folder window: it takes a dropped file list and
// copies the files and directories it names into its folder, the way a file
// manager does. It also looks at the list while a drag passes over it, as
// some targets do before they accept.
class DropTargetWindow : public QWidget {
    Q_OBJECT

public:
    explicit DropTargetWindow(const QString& folder, QWidget* parent = nullptr);

    QList<QUrl> seenWhileDragging;  // the list the first look returned
    qint64 bytesWhileDragging = -1;  // what its files held then
    QList<QUrl> dropped;
    QStringList copied;  // names now in the folder
    int drops = 0;

signals:
    void Dropped();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QString folder;
    bool looked = false;
};

// Copies a file or a whole directory; false when something could not be copied.
bool CopyIntoFolder(const QString& source, const QString& folder);
