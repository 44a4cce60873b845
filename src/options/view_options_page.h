#pragma once

#include "options/options_page.h"

class QButtonGroup;

// "Display Options": the list's display mode at the next start.
class ViewOptionsPage : public OptionsPage {
    Q_OBJECT

public:
    explicit ViewOptionsPage(const AppSettings& settings, QWidget* parent = nullptr);

    void Commit(AppSettings& settings) override;

protected:
    void Initialise() override;

private:
    const AppSettings& loaded;
    int defaultView = 0;
    QButtonGroup* viewButtons;
};
