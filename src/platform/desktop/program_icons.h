#pragma once

#include <QIcon>

// The program's own icons. The classic program kept them as numbered icon
// resources inside its executable, and site profiles still name them that way:
// either by resource number ("7", 132 ...) or as an index into the program file
// ("Wexal.exe ,32"). Pictures come from the desktop's icon theme with a drawn
// fallback, so every number that exists always yields an icon.
namespace ProgramIcons {

// Resource numbers the program uses by name.
inline constexpr int kApplication = 128;
inline constexpr int kStandIn = 131;        // replaces an icon an image list refused
inline constexpr int kFolder = 132;         // every Directory item
inline constexpr int kDocument = 133;       // default document icon
inline constexpr int kCatalogue = 151;
inline constexpr int kGroup = 153;
inline constexpr int kProperties = 170;
inline constexpr int kDelete = 180;

// How many icons the program file holds (indexes 0 .. kFileIconCount-1).
inline constexpr int kFileIconCount = 40;
// The index of the site icon that new sites start with ("Wexal.exe ,32").
inline constexpr int kSiteIconIndex = 32;

}  // namespace ProgramIcons

// Makes the desktop's icon theme usable where the platform names none
// (offscreen, minimal): Adwaita is installed with the program.
void EnsureIconTheme();

// An icon resource by number, or a null icon when the program has none.
QIcon ProgramIcon(int resourceNumber);

// The icon at an index of the program file, or a null icon past the last one.
QIcon ProgramFileIcon(int index);

// True when a file name (as written in an icon spec, blanks trimmed) names the
// program itself: its classic name "Wexal.exe" or the running executable.
bool IsProgramFile(const QString& fileName);
