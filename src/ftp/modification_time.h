#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A file time as servers send it in MDTM replies and MLSD "modify" facts:
// "YYYYMMDDHHMMSS" in UTC, optionally followed by "." and up to nine digits
// of a second.
struct ServerTime {
    std::int64_t seconds = 0;  // since 1970-01-01 00:00:00 UTC
    long nanoseconds = 0;
};

// Reads the time text strictly: exactly fourteen digits, an optional fraction,
// nothing else, every field within its range (the 30th of February is not a
// date). Anything else is no time at all.
std::optional<ServerTime> ParseServerTime(std::string_view text);

// The time in a "213 YYYYMMDDHHMMSS[.fff]" reply to MDTM.
std::optional<ServerTime> TimeFromMdtmReply(std::string_view replyText);

// Sets the modification time of the regular file at path (a link is followed)
// and leaves its access time as it is. Returns 0, or the system's error
// number; EINVAL when path is not a regular file.
int SetModificationTime(const std::string& path, const ServerTime& time);

// "YYYYMMDDHHMMSS" in UTC, as MFMT takes a time.
std::string ServerTimeText(std::int64_t seconds);
