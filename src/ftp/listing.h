#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ftp/remote_entry.h"

// A directory's entries, read into memory; lines that could not be read are
// logged and counted.
struct Listing {
    std::string path;
    std::vector<RemoteEntry> entries;
    std::size_t skippedLines = 0;
};
