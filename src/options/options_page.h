#pragma once

#include <QString>
#include <QWidget>
#include <initializer_list>
#include <utility>

#include "options/app_settings.h"

class QBoxLayout;
class QButtonGroup;
class QLabel;
class QLineEdit;

// Common shape of the four option pages: a picture on the left, the page's own
// controls, and a "Tip" box with a fixed text. A page keeps its own copy of the
// values it edits, fills its controls the first time it is shown, reads them
// back when the user leaves it, and commits them to AppSettings on OK or Apply.
class OptionsPage : public QWidget {
    Q_OBJECT

public:
    OptionsPage(const QString& iconName, const QString& tipText, QWidget* parent = nullptr);

    bool WasShown() const { return shown; }

    // Makes sure the controls hold the page's values (as if it had been shown).
    void EnsureInitialised();

    // Reads the controls into the page's fields. On bad input shows the message
    // and returns the control at fault; returns null when all is well.
    virtual QWidget* Validate() { return nullptr; }

    // Writes the page's fields into the settings (OK and Apply).
    virtual void Commit(AppSettings& settings) = 0;

protected:
    // Fills the controls from the page's fields; runs once, on first show.
    virtual void Initialise() = 0;

    void showEvent(QShowEvent* event) override;

    // Where a page puts its own controls, above the tip.
    QBoxLayout* ContentLayout() const { return content; }

    // A labelled line edit whose accessible name is its label.
    static QLineEdit* AddTextField(class QFormLayout* form, const QString& label);

    // A group box of radio buttons, each with its value as the button id. A
    // click sets field at once; nothing else reads the buttons.
    QButtonGroup* AddRadioGroup(const QString& title,
                                std::initializer_list<std::pair<const char*, int>> choices, int& field);

    // Reads an integer field: shows "Please enter an integer." and returns false
    // when the text is not a whole number that fits an int.
    bool ReadInteger(QLineEdit* field, int& value);

private:
    QBoxLayout* content = nullptr;
    bool shown = false;
};

// Removes the mnemonic ampersands and trailing colons of a label, for use as an
// accessible name.
QString AccessibleLabel(QString label);
