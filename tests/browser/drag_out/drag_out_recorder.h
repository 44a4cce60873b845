#pragma once

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStringList>

#include <functional>

#include "browser/remote_drop_source.h"
#include "support/polling_waiter.h"

// The engine's waits as the progress dialogs would see them: each wait is one
// dialog, recorded with its text. A test may cancel chosen waits.
class RecordingUi : public EngineUi {
public:
    explicit RecordingUi(PollingWaiter& inner) : inner(inner) {}

    QStringList waits;
    std::function<bool(const QString&)> cancelWhen;

    WaitResult WaitForWorker(WaitKind kind, const std::string& text, TransferStatus& status) override {
        const QString shown = QString::fromStdString(text);
        waits << shown;
        if (cancelWhen && cancelWhen(shown)) inner.Cancel();
        return inner.WaitForWorker(kind, text, status);
    }
    bool AskTransferMode() override { return inner.AskTransferMode(); }
    void ShowMessage(const std::string& text) override { inner.ShowMessage(text); }
    void Beep(BeepKind kind) override { inner.Beep(kind); }
    void WorkerFinished() override { inner.WorkerFinished(); }

private:
    PollingWaiter& inner;
};

// What the drop source sees when the user lets go of the left button, or
// presses Escape, during a drag.
inline void ReleaseLeftButton(RemoteDropSource& source) {
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(), QPointF(), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    source.eventFilter(nullptr, &release);
}

inline void PressEscape(RemoteDropSource& source) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    source.eventFilter(nullptr, &escape);
}
