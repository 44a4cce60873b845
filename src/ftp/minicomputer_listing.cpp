// HP NonStop (Guardian) and OS-9 listings.
#include "ftp/listing_families.h"

namespace {

bool IsHex(std::string_view token) {
    return !token.empty() && token.find_first_not_of("0123456789ABCDEFabcdef") == std::string_view::npos;
}

bool TwoDigitNumber(std::string_view text, int& value) {
    if (text.size() != 2 || !IsDigits(text)) return false;
    value = (text[0] - '0') * 10 + (text[1] - '0');
    return true;
}

// OS-9 writes "yy/mm/dd" and "hhmm".
bool ParseOs9Time(std::string_view date, std::string_view clock, RemoteTime& time) {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    if (date.size() != 8 || date[2] != '/' || date[5] != '/' || !TwoDigitNumber(date.substr(0, 2), year) ||
        !TwoDigitNumber(date.substr(3, 2), month) || !TwoDigitNumber(date.substr(6, 2), day) ||
        clock.size() != 4 || !TwoDigitNumber(clock.substr(0, 2), hour) ||
        !TwoDigitNumber(clock.substr(2, 2), minute))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59) return false;
    time.Set(FullYear(year), month, day, hour, minute, 0, TimePrecision::Minute);
    return true;
}

}  // namespace

bool ParseNonStopLine(const ListingTokens& tokens, RemoteEntry& entry) {
    // File Code EOF Last-modification(date time) Owner ("group,user") RWEP ("\"NUNU\"")
    if (tokens.Count() < 6 || !IsDigits(tokens[2].text) ||
        !ParseDayMonthYear(tokens[3].text, entry.modified) || !ParseClockTime(tokens[4].text, entry.modified))
        return false;
    const std::string_view code = tokens[1].text;
    if (!IsDigits(code.substr(0, code.size() - 1))) return false;
    std::size_t last = tokens.Count() - 1;
    const std::string_view rights = tokens[last].text;
    if (rights.size() >= 2 && rights.front() == '"' && rights.back() == '"') {
        entry.permissions.assign(rights.substr(1, rights.size() - 2));
        --last;
    }
    if (last >= 5) entry.owner.assign(TokenSpan(tokens, 5, last));
    entry.name.assign(tokens[0].text);
    entry.kind = EntryKind::File;
    entry.size = ParseNumber(tokens[2].text);
    entry.modified.shown.assign(TokenSpan(tokens, 3, 4));
    return true;
}

bool ParseOs9Line(const ListingTokens& tokens, RemoteEntry& entry) {
    // Owner(group.user) Date Time Attributes Sector Bytecount Name
    if (tokens.Count() < 7) return false;
    const std::string_view owner = tokens[0].text;
    const std::size_t dot = owner.find('.');
    if (dot == std::string_view::npos || !IsDigits(owner.substr(0, dot)) || !IsDigits(owner.substr(dot + 1)))
        return false;
    const std::string_view attributes = tokens[3].text;
    if (attributes.size() != 8 || attributes.find_first_not_of("dsewr-") != std::string_view::npos ||
        !IsHex(tokens[4].text) || !IsDigits(tokens[5].text) ||
        !ParseOs9Time(tokens[1].text, tokens[2].text, entry.modified))
        return false;
    entry.kind = attributes[0] == 'd' ? EntryKind::Directory : EntryKind::File;
    entry.permissions.assign(attributes);
    entry.owner.assign(owner);
    if (entry.kind == EntryKind::File) entry.size = ParseNumber(tokens[5].text);
    entry.modified.shown.assign(TokenSpan(tokens, 1, 2));
    entry.name.assign(tokens.From(6));
    return true;
}
