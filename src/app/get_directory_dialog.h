#pragma once

#include "app/progress_poll_dialog.h"

// "Getting Directory": shown while the list worker fetches a listing.
class GetDirectoryDialog : public ProgressPollDialog {
    Q_OBJECT

public:
    GetDirectoryDialog(TransferStatus& status, const QString& text, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};
