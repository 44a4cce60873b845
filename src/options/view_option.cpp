#include "options/view_option.h"

#include <QAbstractButton>
#include <QButtonGroup>

CViewOption::CViewOption(const AppSettings& settings, QWidget* parent)
    : COptionsPage(
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

void CViewOption::Initialise() {
    defaultView = loaded.defaultView;
    if (QAbstractButton* button = viewButtons->button(defaultView)) button->setChecked(true);
}

void CViewOption::Commit(AppSettings& settings) { settings.defaultView = defaultView; }
