#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ftp/result.h"

class ControlChannel;

// What the server says of one file.
struct RemoteFileFacts {
    std::int64_t size = -1;                // -1: not given
    std::optional<std::int64_t> modified;  // seconds since 1970, UTC
};

// Asks SIZE and MDTM of a file (a name in the current directory, or an
// absolute path). An error when the server knows neither: the file is not
// there, or the name could not be sent.
Result<RemoteFileFacts> AskFileFacts(ControlChannel& control, const std::string& name);
