#include "ftp/listing_budget.h"

#include <algorithm>

ListingBudget::Overrun ListingBudget::Take(const char* bytes, std::size_t length) {
    const Clock::time_point now = Clock::now();
    if (started == Clock::time_point{}) started = now;
    bytesSeen += length;
    linesSeen += static_cast<std::size_t>(std::count(bytes, bytes + length, '\n'));
    if (linesSeen > limits.entries) return Overrun::Entries;
    if (bytesSeen > limits.bytes) return Overrun::Bytes;
    if (limits.seconds > 0 && now - started >= std::chrono::seconds(limits.seconds)) return Overrun::Time;
    return Overrun::None;
}

std::string ListingBudget::Describe(Overrun overrun) const {
    switch (overrun) {
        case Overrun::Entries:
            return "Directory listing stopped: more than " + std::to_string(limits.entries) + " entries.";
        case Overrun::Bytes:
            return "Directory listing stopped: more than " + std::to_string(limits.bytes) + " bytes.";
        case Overrun::Time:
            return "Directory listing stopped: not complete after " + std::to_string(limits.seconds) +
                   (limits.seconds == 1 ? " second." : " seconds.");
        case Overrun::None:
            break;
    }
    return {};
}
