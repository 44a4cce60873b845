#pragma once

#include <QString>

class QWidget;

// The Delete confirmation: a message and Yes (the default) or No. It is asked
// through the message seam like every other confirmation of the program.
class DeleteDialog {
public:
    QString message;

    // True when the user answered Yes; No, Escape and closing answer false.
    bool Run(QWidget* parent) const;
};
