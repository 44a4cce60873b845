#pragma once

#include <QObject>
#include <QPointer>

#include "browser/remote_mime_data.h"

class ConnectionClient;
class RemoteListWidget;
class QWidget;

// The source side of a drag out of the remote list. While the platform's drag
// loop runs it watches the user: the left button released decides the drop
// (it tells the drag's data object that a request is now for real and must
// download first); Escape cancels it.
// Released over a target that accepts, the downloads run at once, before the
// target hears of the drop: some file managers ask for the list only while
// the drag passes over them and then copy what it named, and others give up
// on an answer that takes longer than a few seconds.
class RemoteDropSource : public QObject {
    Q_OBJECT

public:
    // Drags the list's selected files and directories out of the program, from
    // `source`. A selection that cannot be dragged as a whole gets a message
    // and no drag starts.
    // remoteDirectory is the list's directory, where the connection fetches them.
    static void StartDragOut(QWidget* source, const RemoteListWidget& list, ConnectionClient& connection,
                             const QString& remoteDirectory);

    explicit RemoteDropSource(const RemoteMimeData* data = nullptr);

    bool Cancelled() const { return cancelled; }
    // What the target under the pointer last said it would do with a drop.
    void SetTargetAction(Qt::DropAction action) { targetAction = action; }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<const RemoteMimeData> data;
    Qt::DropAction targetAction = Qt::IgnoreAction;
    bool cancelled = false;
};
