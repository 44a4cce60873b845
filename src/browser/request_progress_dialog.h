#pragma once

#include <QDialog>
#include <functional>

#include "queue/core/transfer_rate.h"

class QLabel;
class QProgressBar;

// A running request shown to the user: what it does, how far a transfer has
// got, and Cancel, which ends that request. It is not modal: menus and the
// rest of the window stay usable while the server is slow. It appears only
// once the request has run for a moment, so quick ones flash no window.
class RequestProgressDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kShowAfterMs = 400;

    RequestProgressDialog(const QString& title, const QString& text, QWidget* parent);

    // Called with each new dialog (tests watch and drive them through it).
    static void SetObserver(std::function<void(RequestProgressDialog&)> observer);
    QString Text() const;
    // Tells the observer, before the dialog's request is sent; false when it
    // was cancelled meanwhile (the request is then not sent at all).
    bool Announce();

    // A transfer's bytes so far and its size (-1: unknown): the bar (in
    // thousands of bytes, so that any size fits), the bytes as text, and the
    // speed and time left, measured from the first report on (what a resumed
    // transfer starts from is no speed).
    void ShowProgress(qint64 doneBytes, qint64 totalBytes);
    QString BytesText() const;
    QString RateText() const;
    const QProgressBar& Bar() const { return *bar; }

    // The clock the speed is measured by (tests set their own).
    using Clock = std::function<TransferRate::Clock::time_point()>;
    void SetClock(Clock newClock) { clock = std::move(newClock); }

    // Cancel, Escape or the close box.
    void reject() override;

signals:
    // The owner cancels the request.
    void cancelRequested();

private:
    QLabel* textLabel;
    QProgressBar* bar;
    QLabel* bytesLabel;
    QLabel* rateLabel;
    const bool upload;  // the text says "Sending ..."
    bool cancelled = false;
    TransferRate rate;
    bool rateStarted = false;
    Clock clock = [] { return TransferRate::Clock::now(); };
};
