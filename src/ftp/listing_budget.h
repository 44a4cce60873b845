#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ftp/connection_settings.h"

// Keeps one directory listing within its limits while it arrives: counts its
// bytes and lines and watches the clock from its first byte on. A listing
// that passes a limit is not a folder any more but a server that does not
// stop; the receiver ends it there.
class ListingBudget {
public:
    enum class Overrun { None, Entries, Bytes, Time };

    explicit ListingBudget(const ListingLimits& limits) : limits(limits) {}

    // Counts the next bytes of the listing; the first limit they pass, or None.
    Overrun Take(const char* bytes, std::size_t length);
    // The log line that says which limit ended the listing.
    std::string Describe(Overrun overrun) const;

private:
    using Clock = std::chrono::steady_clock;

    ListingLimits limits;
    std::uint64_t bytesSeen = 0;
    std::size_t linesSeen = 0;
    Clock::time_point started{};
};
