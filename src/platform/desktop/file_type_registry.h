#pragma once

#include <QString>

// The desktop's file-type registry, read through the freedesktop MIME database
// and desktop entries. The classic lookups map onto it like this:
//   extension -> file class      : the MIME type whose glob matches the extension
//   class -> description         : the MIME type's comment ("Plain text document")
//   class -> default icon spec   : the MIME type's icon name in the icon theme
//   class -> open command        : the Exec line of the type's default application
// A lookup that finds nothing gives an empty text, never an error.
QString FileClassOfExtension(const QString& extension);
QString FileClassDescription(const QString& fileClass);
QString FileClassIconSpec(const QString& fileClass);
QString FileClassOpenCommand(const QString& fileClass);
