#pragma once

#include <string_view>

#include "ftp/remote_entry.h"

// Parses one line of an MLSD listing: facts "name=value;" without blanks, one
// blank, then the name exactly as sent (blanks and semicolons included):
//   type=file / dir, OS.unix=symlink|slink[:target]  -> kind, link target
//   UNIX.mode=0755                                    -> permissions "drwxr-xr-x"
//   size=1234                                         -> size
//   modify=20261207114800                             -> modified (UTC, to the second)
//   UNIX.owner / UNIX.uid, UNIX.group / UNIX.gid      -> owner, group
//   unique=801g2                                      -> unique
// Other types (devices, a server's own) give an entry of unknown kind.
// Returns false for the directory itself and its parent (cdir, pdir) and for
// lines not shaped like an MLSD line.
bool ParseMlsdLine(std::string_view line, RemoteEntry& entry);

// The same with the reason when no entry comes: the line lists the directory
// itself or its parent (cdir, pdir), or is not an MLSD line at all.
enum class MlsdLine { Entry, Itself, Malformed };
MlsdLine ReadMlsdLine(std::string_view line, RemoteEntry& entry);
