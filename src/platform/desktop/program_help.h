#pragma once

#include <QString>

class QWidget;

// Shows the program's help (compiled into the program) in a help window, at the
// section whose heading is topic, or at the contents when topic is empty.
void OpenProgramHelp(QWidget* parent, const QString& topic = QString());
