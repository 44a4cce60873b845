#include "options/view_option.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

CViewOption::CViewOption(const AppSettings& settings, QWidget* parent)
    : COptionsPage(QStringLiteral("preferences-desktop-display"),
                   QStringLiteral("Quillmoor can display icons in a variety of sizes much like the Windows "
                                  "desktop. This tab enables you to select the default view in which Quillmoor "
                                  "will display files."),
                   parent),
      loaded(settings) {
    auto* box = new QGroupBox(QStringLiteral("Default View"), this);
    auto* layout = new QVBoxLayout(box);
    viewButtons = new QButtonGroup(this);
    const struct {
        const char* label;
        int view;
    } views[] = {{"Large Icon", 0}, {"Detail View", 1}, {"Small Icon", 2}, {"List View", 3}};
    for (const auto& view : views) {
        auto* button = new QRadioButton(QString::fromLatin1(view.label), box);
        viewButtons->addButton(button, view.view);
        layout->addWidget(button);
    }
    connect(viewButtons, &QButtonGroup::idClicked, this, [this](int view) { defaultView = view; });
    ContentLayout()->addWidget(box);
}

void CViewOption::Initialise() {
    defaultView = loaded.defaultView;
    if (QAbstractButton* button = viewButtons->button(defaultView)) button->setChecked(true);
}

void CViewOption::Commit(AppSettings& settings) { settings.defaultView = defaultView; }
