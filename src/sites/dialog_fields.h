#pragma once

#include <QLabel>
#include <QString>

#include <initializer_list>

class QLineEdit;
class QWidget;

// Helpers shared by the site dialogs.

// A label for `control` whose text (mnemonic and colon removed) is also the
// control's accessible name.
QLabel* BuddyLabel(const QString& text, QWidget* control);

// Limits an edit to what one line of the catalogue keeps for `key` (the
// section name when empty).
void LimitToCatalogueLine(QLineEdit* edit, const char* key);

// "" when every edit holds text that fits one catalogue line, otherwise the
// message naming the first field with a line break in it.
QString LineBreakProblem(std::initializer_list<QLineEdit*> edits);
