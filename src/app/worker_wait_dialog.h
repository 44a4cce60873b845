#pragma once

#include <QDialog>

struct TransferStatus;
class QLabel;
class QBoxLayout;
class QDialogButtonBox;

// Base of the three small modal dialogs shown while a worker thread runs. The
// engine's reports (progress, the worker's end) call Refresh, which shows the
// progress and closes the dialog with OK the first time it sees busy clear;
// Cancel, Escape and the close box end it with Cancel, after which the caller
// stops the worker. Nothing ticks while nothing is reported.
class WorkerWaitDialog : public QDialog {
    Q_OBJECT

public:
    WorkerWaitDialog(TransferStatus& status, const QString& title, const QString& text,
                       QWidget* parent = nullptr);

    // Looks at the status record: closes with OK once busy is clear, else
    // shows the progress.
    void Refresh();

    QLabel* TextLabel() const { return textLabel; }
    QDialogButtonBox* Buttons() const { return buttons; }

protected:
    // Called by Refresh while the worker is still busy, with the status lock held.
    virtual void ShowProgress(TransferStatus&) {}

    void showEvent(QShowEvent* event) override;

    // Row for a dialog's picture and extra controls, left of and above the text.
    QBoxLayout* BodyLayout() const { return body; }
    // Column holding the text, for controls that go below it.
    QBoxLayout* TextColumn() const { return textColumn; }

private:
    TransferStatus& status;
    bool closing = false;
    QLabel* textLabel;
    QBoxLayout* body;
    QBoxLayout* textColumn;
    QDialogButtonBox* buttons;
};
