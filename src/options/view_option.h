#pragma once

#include "options/options_page.h"

class QButtonGroup;

// "Display Options": the list's display mode at the next start.
class CViewOption : public COptionsPage {
    Q_OBJECT

public:
    explicit CViewOption(const AppSettings& settings, QWidget* parent = nullptr);

    void Commit(AppSettings& settings) override;

protected:
    void Initialise() override;

private:
    const AppSettings& loaded;
    int defaultView = 0;
    QButtonGroup* viewButtons;
};
