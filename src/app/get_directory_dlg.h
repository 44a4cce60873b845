#pragma once

#include "app/progress_poll_dialog.h"

// "Getting Directory": shown while the list worker fetches a listing.
class CGetDirectoryDlg : public CProgressPollDialog {
    Q_OBJECT

public:
    CGetDirectoryDlg(TransferStatus& status, const QString& text, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};
