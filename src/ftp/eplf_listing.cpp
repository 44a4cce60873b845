// EPLF, the "easily parsed LIST format": "+" then comma-separated facts, a
// tab, and the name exactly as it is ("/" a folder, "r" a file that can be
// fetched, "s" the size, "m" the time in seconds since 1970 UTC, "i" an
// identity, "up" the permissions in octal).
#include <ctime>

#include "ftp/listing_families.h"

namespace {

void TakeUnixTime(std::int64_t seconds, RemoteTime& time) {
    const std::time_t when = static_cast<std::time_t>(seconds);
    std::tm utc{};
    if (gmtime_r(&when, &utc) == nullptr) return;
    time.Set(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
             TimePrecision::Second, true);
    ShowAsIsoMinutes(time);
}

}  // namespace

bool ParseEplfLine(std::string_view line, RemoteEntry& entry) {
    const std::size_t tab = line.find('\t');
    if (line.size() < 3 || line[0] != '+' || tab == std::string_view::npos) return false;
    std::string_view facts = line.substr(1, tab - 1);
    bool folder = false;
    bool file = false;
    while (!facts.empty()) {
        const std::size_t comma = facts.find(',');
        const std::string_view fact = facts.substr(0, comma);
        facts = comma == std::string_view::npos ? std::string_view() : facts.substr(comma + 1);
        if (fact.empty()) continue;
        const std::string_view value = fact.substr(1);
        switch (fact[0]) {
            case '/':
                folder = true;
                break;
            case 'r':
                file = true;
                break;
            case 's':
                entry.size = ParseNumber(value);
                break;
            case 'm':
                if (auto seconds = ParseNumber(value)) TakeUnixTime(*seconds, entry.modified);
                break;
            case 'i':
                entry.unique.assign(value);
                break;
            case 'u':
                if (!value.empty() && value[0] == 'p') entry.permissions.assign(value.substr(1));
                break;
            default:
                break;
        }
    }
    entry.kind = folder ? EntryKind::Directory : file ? EntryKind::File : EntryKind::Unknown;
    if (folder) entry.size.reset();
    entry.name.assign(line.substr(tab + 1));
    return true;
}
