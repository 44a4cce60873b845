#pragma once

#include <QObject>

class CFtpSession;
class CRemoteDataObject;
class CRemoteListCtrl;
class QWidget;

// The source side of a drag out of the remote list. While the platform's drag
// loop runs it watches the user: the left button released decides the drop
// (the process-wide drop-decided flag, which tells the data object that a
// request is now for real and must download first); Escape cancels it.
class CRemoteDropSource : public QObject {
    Q_OBJECT

public:
    // Drags the list's selected files and directories out of the program, from
    // `source`. A selection that cannot be dragged as a whole gets a message
    // and no drag starts.
    static void StartDragOut(QWidget* source, const CRemoteListCtrl& list, CFtpSession& session);

    static bool DropDecided();
    static void ClearDropDecided();

    bool Cancelled() const { return cancelled; }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool dropDecided;
    bool cancelled = false;
};
