#include "options/view_options_page.h"

#include <QAbstractButton>
#include <QButtonGroup>

ViewOptionsPage::ViewOptionsPage(const AppSettings& settings, QWidget* parent)
    : OptionsPage(
          QStringLiteral("preferences-desktop-display"),
          QStringLiteral("Quillmoor can display icons in a variety of sizes much like the Windows "
                         "desktop. This tab enables you to select the default view in which Quillmoor "
                         "will display files."),
          parent),
      loaded(settings) {
    viewButtons = AddRadioGroup(QStringLiteral("Default View"),
                                {{"Large Icon", 0}, {"Detail View", 1}, {"Small Icon", 2}, {"List View", 3}},
                                defaultView);
}

void ViewOptionsPage::Initialise() {
    defaultView = loaded.defaultView;
    if (QAbstractButton* button = viewButtons->button(defaultView)) button->setChecked(true);
}

void ViewOptionsPage::Commit(AppSettings& settings) { settings.defaultView = defaultView; }
