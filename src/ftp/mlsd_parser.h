#pragma once

#include <string_view>

#include "ftp/remote_entry.h"

// Parses one line of an MLSD listing: facts "name=value;" without blanks, one
// blank, then the name exactly as sent (blanks and semicolons included). The
// entry gets the same fields a LIST line gives, so the rest of the program
// reads both alike:
//   type=file / dir, or OS.unix=symlink|slink  -> isFile and the type letter
//   UNIX.mode=0755                              -> permissions "drwxr-xr-x"
//   size=1234                                   -> sizeText
//   modify=20261207114800                       -> dateText "2026-12-07 11:48" (UTC)
//   UNIX.owner / UNIX.uid, UNIX.group / UNIX.gid -> owner, group
//   unique=801g2                                -> unique
// Returns false for the entries of the directory itself and its parent
// (cdir, pdir), for other types (devices, unknown ones) and for lines that are
// not shaped like an MLSD line.
bool ParseMlsdLine(std::string_view line, RemoteEntry& entry);

// The same with the reason when no entry comes: the line lists the directory
// itself or its parent (cdir, pdir), or is not an MLSD line at all.
enum class MlsdLine { Entry, Itself, Malformed };
MlsdLine ReadMlsdLine(std::string_view line, RemoteEntry& entry);
