#include "sites/dialog_fields.h"

#include <QLabel>
#include <QLineEdit>

#include "sites/store/catalogue_format.h"

namespace {

QString PlainText(QString text) {
    text.remove(QLatin1Char('&'));
    if (text.endsWith(QLatin1Char(':'))) text.chop(1);
    return text;
}

}  // namespace

QLabel* BuddyLabel(const QString& text, QWidget* control) {
    auto* label = new QLabel(text);
    label->setBuddy(control);
    control->setAccessibleName(PlainText(text));
    return label;
}

void LimitToCatalogueLine(QLineEdit* edit, const char* key) {
    edit->setMaxLength(static_cast<int>(CatalogueValueLimit(key)));
}

QString LineBreakProblem(std::initializer_list<QLineEdit*> edits) {
    for (const QLineEdit* edit : edits) {
        if (edit->text().contains(QLatin1Char('\n')) || edit->text().contains(QLatin1Char('\r')))
            return QStringLiteral("The field \"%1\" cannot contain a line break.")
                .arg(edit->accessibleName());
    }
    return {};
}
