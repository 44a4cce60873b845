#pragma once

#include <QIcon>
#include <QString>

// The one place the site dialogs turn an icon spec ("file ,index") into an
// icon. A stand-in for the shared IconFromSpec until that reader is available
// to this library: it knows the program's own numbered icons ("Wexal.exe" or
// this executable), multi-image icon files (one icon per image) and single
// image files (index 0). Returns a null icon when there is none.
QIcon SiteIconFromSpec(const QString& spec);

// How many icons the program file holds (indexes 0 to this minus 1).
inline constexpr int kProgramIconCount = 40;
