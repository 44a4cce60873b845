#pragma once

#include <QDialog>
#include <array>

#include "options/app_settings.h"

class QDialogButtonBox;
class QTabWidget;
class OptionsPage;
class ProgramOptionsPage;
class TransferOptionsPage;
class ViewOptionsPage;
class FirewallPage;

// The "Options" sheet: four pages over AppSettings with OK, Cancel, Apply and
// Help. OK and Apply commit the pages that have been shown; the firewall values
// are copied only when the sheet closes with OK. The settings store itself is
// written at shutdown, never here.
class OptionsSheet : public QDialog {
    Q_OBJECT

public:
    OptionsSheet(AppSettings& settings, QWidget* parent = nullptr);

    QTabWidget* Tabs() const { return tabs; }
    QDialogButtonBox* Buttons() const { return buttons; }

    // The OK and Apply buttons' work, callable directly.
    void accept() override;
    bool Apply();

signals:
    // OK or Apply wrote the pages into the settings; what follows a setting
    // at once (the transfer queue's connections) reads it again.
    void settingsCommitted();

private:
    OptionsPage* CurrentPage() const;
    // Validates the page being left; on failure keeps it current and focused.
    bool ValidateCurrentPage();
    void CommitShownPages();
    void OnTabChanged(int index);
    void ShowHelpForCurrentPage();

    AppSettings& settings;
    QTabWidget* tabs;
    QDialogButtonBox* buttons;
    ProgramOptionsPage* programPage;
    TransferOptionsPage* transPage;
    ViewOptionsPage* viewPage;
    FirewallPage* fireWallPage;
    std::array<OptionsPage*, 4> pages;
    int currentIndex = 0;
    bool revertingTab = false;
};
