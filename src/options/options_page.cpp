#include "options/options_page.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/desktop/app_icons.h"
#include "platform/desktop/message_seam.h"

OptionsPage::OptionsPage(const QString& iconName, const QString& tipText, QWidget* parent)
    : QWidget(parent) {
    auto* outer = new QHBoxLayout(this);

    auto* picture = new QLabel(this);
    picture->setPixmap(QIcon::fromTheme(iconName, ApplicationIcon()).pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    outer->addWidget(picture);

    auto* column = new QVBoxLayout;
    content = new QVBoxLayout;
    column->addLayout(content);

    auto* tipBox = new QGroupBox(QStringLiteral("Tip"), this);
    auto* tipLayout = new QVBoxLayout(tipBox);
    auto* tip = new QLabel(tipText, tipBox);
    tip->setWordWrap(true);
    tipLayout->addWidget(tip);
    column->addWidget(tipBox);
    column->addStretch();
    outer->addLayout(column, 1);
}

void OptionsPage::EnsureInitialised() {
    if (shown) return;
    shown = true;
    Initialise();
}

void OptionsPage::showEvent(QShowEvent* event) {
    EnsureInitialised();
    QWidget::showEvent(event);
}

QLineEdit* OptionsPage::AddTextField(QFormLayout* form, const QString& label) {
    auto* field = new QLineEdit;
    auto* caption = new QLabel(label);
    caption->setBuddy(field);
    field->setAccessibleName(AccessibleLabel(label));
    form->addRow(caption, field);
    return field;
}

QButtonGroup* OptionsPage::AddRadioGroup(const QString& title,
                                         std::initializer_list<std::pair<const char*, int>> choices,
                                         int& field) {
    auto* box = new QGroupBox(title, this);
    auto* layout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(this);
    for (const auto& [label, value] : choices) {
        auto* button = new QRadioButton(QString::fromLatin1(label), box);
        group->addButton(button, value);
        layout->addWidget(button);
    }
    connect(group, &QButtonGroup::idClicked, this, [&field](int value) { field = value; });
    content->addWidget(box);
    return group;
}

bool OptionsPage::ReadInteger(QLineEdit* field, int& value) {
    bool isInteger = false;
    const int number = field->text().trimmed().toInt(&isInteger);
    if (!isInteger) {
        ShowMessage(this, QStringLiteral("Please enter an integer."));
        return false;
    }
    value = number;
    return true;
}

QString AccessibleLabel(QString label) {
    label.remove(QLatin1Char('&'));
    label = label.trimmed();
    if (label.endsWith(QLatin1Char(':'))) label.chop(1);
    return label.trimmed();
}
