#pragma once

#include <string>

// What a download may do at the local path it was given, decided by what is
// there already. A regular file (or nothing) is replaced through a temporary
// file; a link is followed, so the link stays and its target gets the file;
// a pipe or device is written into, never replaced; anything else is refused.
struct DownloadTarget {
    enum class Way { Replace, WriteInto, Refuse };

    Way way = Way::Replace;
    std::string path;     // the file to replace or the pipe or device to write into
    std::string refusal;  // the log line that says why nothing is written (Refuse)

    static DownloadTarget For(const std::string& path);
};
