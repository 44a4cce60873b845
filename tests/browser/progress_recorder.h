#pragma once

#include <QStringList>
#include <functional>

#include "browser/request_progress_dialog.h"

// The progress dialogs of the requests, as the user would see them: each one
// recorded with its text. A test may cancel chosen ones.
class ProgressRecorder {
public:
    ProgressRecorder() {
        RequestProgressDialog::SetObserver([this](RequestProgressDialog& dialog) {
            waits << dialog.Text();
            if (cancelWhen && cancelWhen(dialog.Text())) dialog.reject();
        });
    }
    ~ProgressRecorder() { RequestProgressDialog::SetObserver({}); }
    ProgressRecorder(const ProgressRecorder&) = delete;
    ProgressRecorder& operator=(const ProgressRecorder&) = delete;

    QStringList waits;
    std::function<bool(const QString&)> cancelWhen;
};
