#pragma once

#include <QIcon>
#include <QString>

// An icon reference is "file,index": the file before the first comma holds
// icons, the decimal number after it picks one (0 for the first; no comma means
// 0). The file may be an icon file (.ico with several images, or a single-image
// format such as .png or .svg), the program itself ("Wexal.exe"), or the name
// of an icon of the desktop's icon theme, which is what the MIME database gives
// as a file type's icon.
struct IconSpec {
    QString file;  // as written, trailing blanks removed
    int index = 0;
};

// Splits an icon reference. The index reads like C's atoi: leading blanks, then
// digits up to the first non-digit; 0 when there are none.
IconSpec ParseIconSpec(const QString& spec);

// The icon a reference names, or a null icon: for an empty file part, a
// file that does not exist or cannot be read, and an index past the file's icons.
QIcon IconFromSpec(const QString& spec);
