#pragma once

#include <QDialog>

class QButtonGroup;
class QWidget;

// "Transfer Mode": asked before a transfer when the stored mode asks for a
// prompt. Only the closing button matters (OK goes on, Cancel stops); the three
// radio buttons start unselected and set nothing.
class TransferModeDialog : public QDialog {
    Q_OBJECT

public:
    explicit TransferModeDialog(QWidget* parent = nullptr);

    QButtonGroup* ModeButtons() const { return modeButtons; }

private:
    QButtonGroup* modeButtons;
};

// Asks the Transfer Mode question over parent: true to go on, false for Cancel.
bool AskTransferMode(QWidget* parent);
