#pragma once

#include <QDialog>
#include <QTimer>

struct TransferStatus;
class QLabel;
class QBoxLayout;
class QDialogButtonBox;

// Base of the three small modal dialogs shown while a worker thread runs. It
// polls TransferStatus every 500 ms and closes itself with OK the first time it
// sees busy clear; Cancel, Escape and the close box end it with Cancel, after
// which the caller stops the worker.
class ProgressPollDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPollMilliseconds = 500;

    ProgressPollDialog(TransferStatus& status, const QString& title, const QString& text,
                       QWidget* parent = nullptr);

    // One tick of the poll timer.
    void Poll();

    QLabel* TextLabel() const { return textLabel; }
    QDialogButtonBox* Buttons() const { return buttons; }

protected:
    // Called on a tick while the worker is still busy, with the status lock held.
    virtual void ShowProgress(TransferStatus&) {}

    void showEvent(QShowEvent* event) override;

    // Row for a dialog's picture and extra controls, left of and above the text.
    QBoxLayout* BodyLayout() const { return body; }
    // Column holding the text, for controls that go below it.
    QBoxLayout* TextColumn() const { return textColumn; }

private:
    TransferStatus& status;
    QTimer pollTimer;
    bool closing = false;
    QLabel* textLabel;
    QBoxLayout* body;
    QBoxLayout* textColumn;
    QDialogButtonBox* buttons;
};
