#pragma once

#include "app/worker_wait_dialog.h"

class QProgressBar;

// "Connecting": shown while the connect worker logs in, with a busy animation.
class ConnectingDialog : public WorkerWaitDialog {
    Q_OBJECT

public:
    ConnectingDialog(TransferStatus& status, const QString& text, QWidget* parent = nullptr);

    QProgressBar* Animation() const { return animation; }

private:
    QProgressBar* animation;
};
