#pragma once

#include <QString>

// Finds the application the desktop opens a MIME type with, following the
// freedesktop rules: the [Default Applications] of every mimeapps.list in
// priority order (user config, system config, user data, system data), then
// their [Added Associations], then the applications that declare the type.
// Returns that application's Exec line, or an empty text.
QString DefaultApplicationExec(const QString& mimeType);

// The Exec value of a desktop entry file, empty when the entry is hidden, is
// not an application, or has no Exec line.
QString ReadDesktopEntryExec(const QString& desktopFilePath);
