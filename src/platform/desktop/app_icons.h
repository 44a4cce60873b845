#pragma once

#include <QIcon>

// The program's pictures: the desktop icon theme where it has a fitting icon,
// otherwise the program's own drawing (shipped as a Qt resource).
//   ownName: file name under the program's icon resources, without ".svg".
QIcon ThemedIcon(const QString& themeName, const QString& ownName);

// The program's own icon, for windows and the desktop entry.
QIcon ApplicationIcon();

// Registers the pictures and the help text compiled into this library; safe to
// call more than once. Static libraries need this before the first use.
void InitDesktopResources();
