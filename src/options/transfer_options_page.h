#pragma once

#include <string>

#include "options/options_page.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QSpinBox;

// "Tranfer Options": the default transfer mode, the double-click choices, the
// default download directory and whether data connections are passive unless a
// site says otherwise, and how many connections the transfer queue opens. A stored mode the page offers no button for ('L', 'P')
// selects none and is kept unless the user picks one.
class TransferOptionsPage : public OptionsPage {
    Q_OBJECT

public:
    explicit TransferOptionsPage(const AppSettings& settings, QWidget* parent = nullptr);

    void Commit(AppSettings& settings) override;

protected:
    void Initialise() override;

private:
    const AppSettings& loaded;
    int modeLetter = 0;

    QButtonGroup* modeButtons;
    QCheckBox* saveOnDoubleClick;
    QCheckBox* viewOnDoubleClick;
    QLineEdit* downloadDirectory;
    QCheckBox* passiveMode;
    QCheckBox* keepModificationTimes;
    QSpinBox* queueConnections;
};
