#pragma once

#include <QDialog>

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

    // A transfer's bytes so far and its size (-1: unknown).
    void ShowProgress(qint64 doneBytes, qint64 totalBytes);

signals:
    // Cancel, Escape or the close box: the owner cancels the request.
    void cancelRequested();

protected:
    void reject() override;

private:
    QLabel* textLabel;
    QProgressBar* bar;
};
