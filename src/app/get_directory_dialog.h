#pragma once

#include "app/worker_wait_dialog.h"

// "Getting Directory": shown while the list worker fetches a listing.
class GetDirectoryDialog : public WorkerWaitDialog {
    Q_OBJECT

public:
    GetDirectoryDialog(TransferStatus& status, const QString& text, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};
