#include "ftp/listing_text.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

ListingTokens::ListingTokens(std::string_view line) : line(line) {
    std::size_t i = 0;
    while (count < kMost) {
        while (i < line.size() && line[i] == ' ') ++i;
        if (i >= line.size()) break;
        const std::size_t begin = i;
        while (i < line.size() && line[i] != ' ') ++i;
        tokens[count++] = {line.substr(begin, i - begin), begin, i};
    }
}

CivilDate CivilDate::TodayLocal() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::optional<std::int64_t> ParseNumber(std::string_view text) {
    if (!IsDigits(text) || text.size() > 18) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) value = value * 10 + (c - '0');
    return value;
}

namespace {

// "1,234,567" or "1.234.567": groups of three after the first.
std::optional<std::int64_t> GroupedNumber(std::string_view text) {
    const char separator = text.find(',') != std::string_view::npos ? ',' : '.';
    std::string digits;
    std::size_t group = text.find(separator);
    if (group == 0 || group > 3) return std::nullopt;
    digits.append(text.substr(0, group));
    while (group != std::string_view::npos) {
        const std::size_t next = text.find(separator, group + 1);
        const std::size_t length = (next == std::string_view::npos ? text.size() : next) - group - 1;
        if (length != 3) return std::nullopt;
        digits.append(text.substr(group + 1, 3));
        group = next;
    }
    return ParseNumber(digits);
}

// "33.5k", "2M", "1,5G": a number with a fraction and a power-of-1024 unit.
std::optional<std::int64_t> SuffixedSize(std::string_view text) {
    if (text.size() >= 2 && (text.back() == 'B' || text.back() == 'b')) text.remove_suffix(1);
    if (text.size() < 2) return std::nullopt;
    static constexpr std::string_view kUnits = "kmgt";
    const std::size_t unit = kUnits.find(static_cast<char>(text.back() | 0x20));
    if (unit == std::string_view::npos) return std::nullopt;
    text.remove_suffix(1);
    const std::size_t point = text.find_first_of(".,");
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (!IsDigits(whole) || whole.size() > 9 || (point != std::string_view::npos && !IsDigits(fraction)) ||
        fraction.size() > 6)
        return std::nullopt;
    double value = static_cast<double>(*ParseNumber(whole));
    double scale = 0.1;
    for (char c : fraction) {
        value += (c - '0') * scale;
        scale /= 10;
    }
    for (std::size_t i = 0; i <= unit; ++i) value *= 1024;
    return static_cast<std::int64_t>(value + 0.5);
}

struct MonthName {
    std::string_view text;  // lower case as far as ASCII goes
    int month;
};

// Abbreviations and short names that ls and FTP servers print in the
// languages they are run in. Cyrillic capitals are listed on their own, since
// only ASCII is folded.
// clang-format off
constexpr MonthName kMonthNames[] = {
    {"jan", 1}, {"feb", 2}, {"mar", 3}, {"apr", 4}, {"may", 5}, {"jun", 6}, {"jul", 7}, {"aug", 8},
    {"sep", 9}, {"sept", 9}, {"oct", 10}, {"nov", 11}, {"dec", 12},
    // German
    {"mär", 3}, {"märz", 3}, {"mrz", 3}, {"mai", 5}, {"juni", 6}, {"juli", 7}, {"okt", 10}, {"dez", 12},
    // French
    {"janv", 1}, {"févr", 2}, {"fév", 2}, {"fevr", 2}, {"mars", 3}, {"avr", 4}, {"juin", 6}, {"juil", 7},
    {"août", 8}, {"aout", 8}, {"déc", 12},
    // Spanish
    {"ene", 1}, {"abr", 4}, {"ago", 8}, {"dic", 12},
    // Italian
    {"gen", 1}, {"mag", 5}, {"giu", 6}, {"lug", 7}, {"set", 9}, {"ott", 10},
    // Dutch
    {"mrt", 3}, {"mei", 5},
    // Polish
    {"sty", 1}, {"lut", 2}, {"kwi", 4}, {"maj", 5}, {"cze", 6}, {"lip", 7}, {"sie", 8}, {"wrz", 9},
    {"paź", 10}, {"lis", 11}, {"gru", 12},
    // Russian
    {"янв", 1}, {"фев", 2}, {"мар", 3}, {"апр", 4}, {"май", 5}, {"мая", 5}, {"июн", 6}, {"июл", 7},
    {"авг", 8}, {"сен", 9}, {"окт", 10}, {"ноя", 11}, {"дек", 12}, {"Янв", 1}, {"Фев", 2}, {"Мар", 3},
    {"Апр", 4}, {"Май", 5}, {"Мая", 5}, {"Июн", 6}, {"Июл", 7}, {"Авг", 8}, {"Сен", 9}, {"Окт", 10},
    {"Ноя", 11}, {"Дек", 12},
};
// clang-format on

// The names by their first byte, so a token that is no month costs one look.
const std::array<std::vector<MonthName>, 256>& MonthsByFirstByte() {
    static const std::array<std::vector<MonthName>, 256> table = [] {
        std::array<std::vector<MonthName>, 256> built;
        for (const MonthName& name : kMonthNames)
            built[static_cast<unsigned char>(name.text[0])].push_back(name);
        return built;
    }();
    return table;
}

// A number followed by one of the given UTF-8 suffixes: "12月", "3월", "5日".
int NumberBefore(std::string_view token, std::string_view suffix, std::string_view other, int most) {
    std::string_view digits;
    if (token.size() > suffix.size() && token.substr(token.size() - suffix.size()) == suffix)
        digits = token.substr(0, token.size() - suffix.size());
    else if (!other.empty() && token.size() > other.size() &&
             token.substr(token.size() - other.size()) == other)
        digits = token.substr(0, token.size() - other.size());
    if (digits.empty() || digits.size() > 4 || !IsDigits(digits)) return 0;
    const int value = static_cast<int>(*ParseNumber(digits));
    return value >= 1 && value <= most ? value : 0;
}

bool TwoDigits(std::string_view text, int& value) {
    if (text.size() != 2 || !IsDigits(text)) return false;
    value = (text[0] - '0') * 10 + (text[1] - '0');
    return true;
}

// A time in the token after a date, or a year after it (BSD "ls -lT").
std::size_t TimeOrYearAfter(const ListingTokens& tokens, std::size_t at, const CivilDate& today,
                            RemoteTime& time) {
    if (at >= tokens.Count()) return 0;
    if (int year = YearNumber(tokens[at].text)) {
        time.year = year;
        time.precision = TimePrecision::Day;
        // "Oct 08, 2002 09:47": a time may follow the year.
        if (at + 1 < tokens.Count() && ParseClockTime(tokens[at + 1].text, time)) return 2;
        return 1;
    }
    if (!ParseClockTime(tokens[at].text, time)) return 0;
    if (at + 1 < tokens.Count()) {
        if (int year = YearNumber(tokens[at + 1].text)) {
            time.year = year;
            return 2;
        }
    }
    // A recent date: the year that puts it no later than tomorrow.
    time.year = today.year;
    if (time.month > today.month || (time.month == today.month && time.day > today.day + 1)) --time.year;
    return 1;
}

}  // namespace

std::optional<std::int64_t> ParseListedSize(std::string_view text) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
    if (IsDigits(text)) return ParseNumber(text);
    if (auto grouped = GroupedNumber(text)) return grouped;
    return SuffixedSize(text);
}

int MonthNumber(std::string_view token) {
    if (token.size() < 3 || token.size() > 9) return 0;
    if (token.back() == '.') token.remove_suffix(1);
    const unsigned char first = static_cast<unsigned char>(token[0]);
    if (first >= '0' && first <= '9') return NumberBefore(token, "月", "월", 12);
    char folded[9];
    for (std::size_t i = 0; i < token.size(); ++i) {
        const char c = token[i];
        folded[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c | 0x20) : c;
    }
    const std::string_view lower(folded, token.size());
    for (const MonthName& name : MonthsByFirstByte()[static_cast<unsigned char>(lower[0])])
        if (name.text == lower) return name.month;
    return 0;
}

int DayNumber(std::string_view token) {
    if (token.empty()) return 0;
    if (token.back() == ',' || token.back() == '.') token.remove_suffix(1);
    if (token.size() > 2) return NumberBefore(token, "日", "일", 31);
    if (!IsDigits(token)) return 0;
    const int day = static_cast<int>(*ParseNumber(token));
    return day >= 1 && day <= 31 ? day : 0;
}

int YearNumber(std::string_view token) {
    if (token.size() != 4) {
        const int year = NumberBefore(token, "年", "년", 9999);
        return year >= 1900 ? year : 0;
    }
    if (!IsDigits(token)) return 0;
    const int year = static_cast<int>(*ParseNumber(token));
    return year >= 1900 ? year : 0;
}

bool ParseClockTime(std::string_view token, RemoteTime& time, bool twelveHour) {
    int pm = -1;
    if (twelveHour && token.size() > 2) {
        const std::string_view half = token.substr(token.size() - 2);
        if (half == "AM" || half == "am") pm = 0;
        if (half == "PM" || half == "pm") pm = 1;
        if (pm >= 0) token.remove_suffix(2);
    }
    const std::size_t colon = token.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || token.size() < colon + 3) return false;
    int hour = 0;
    int minute = 0;
    int second = 0;
    const std::string_view hours = token.substr(0, colon);
    if (!IsDigits(hours) || !TwoDigits(token.substr(colon + 1, 2), minute)) return false;
    hour = static_cast<int>(*ParseNumber(hours));
    std::string_view rest = token.substr(colon + 3);
    TimePrecision precision = TimePrecision::Minute;
    if (!rest.empty()) {
        if (rest[0] != ':' || !TwoDigits(rest.substr(1, 2), second)) return false;
        rest.remove_prefix(3);
        // A fraction of a second (VMS, "ls --full-time") adds nothing we keep.
        if (!rest.empty() && (rest[0] != '.' || !IsDigits(rest.substr(1)))) return false;
        precision = TimePrecision::Second;
    }
    if (pm >= 0) {
        if (hour < 1 || hour > 12) return false;
        hour = hour % 12 + (pm == 1 ? 12 : 0);
    }
    if (hour > 23 || minute > 59 || second > 60) return false;
    time.hour = hour;
    time.minute = minute;
    time.second = second;
    time.precision = precision;
    return true;
}

int FullYear(int year) { return year >= 100 ? year : (year >= 70 ? 1900 + year : 2000 + year); }

bool ParseYearFirstDate(std::string_view token, RemoteTime& time) {
    if (token.size() != 10 || !IsDigits(token.substr(0, 4))) return false;
    const char separator = token[4];
    if ((separator != '-' && separator != '/') || token[7] != separator) return false;
    int month = 0;
    int day = 0;
    if (!TwoDigits(token.substr(5, 2), month) || !TwoDigits(token.substr(8, 2), day)) return false;
    if (month < 1 || month > 12 || day < 1 || day > 31) return false;
    time.year = static_cast<int>(*ParseNumber(token.substr(0, 4)));
    time.month = month;
    time.day = day;
    time.precision = TimePrecision::Day;
    return true;
}

bool ParseNumericDate(std::string_view token, RemoteTime& time) {
    if (ParseYearFirstDate(token, time)) return true;
    if (token.size() != 8 && token.size() != 10) return false;
    const char separator = token[2];
    if ((separator != '-' && separator != '/' && separator != '.') || token[5] != separator) return false;
    int first = 0;
    int second = 0;
    const std::string_view year = token.substr(6);
    if (!TwoDigits(token.substr(0, 2), first) || !TwoDigits(token.substr(3, 2), second) || !IsDigits(year))
        return false;
    // Month first, as American servers write it, unless that cannot be.
    int month = first;
    int day = second;
    if (separator == '.' || first > 12) std::swap(month, day);
    if (month < 1 || month > 12 || day < 1 || day > 31) return false;
    time.year = FullYear(static_cast<int>(*ParseNumber(year)));
    time.month = month;
    time.day = day;
    time.precision = TimePrecision::Day;
    return true;
}

bool ParseDayMonthYear(std::string_view token, RemoteTime& time) {
    const std::size_t first = token.find('-');
    const std::size_t second = token.rfind('-');
    if (first == std::string_view::npos || first == second) return false;
    const int day = DayNumber(token.substr(0, first));
    const int month = MonthNumber(token.substr(first + 1, second - first - 1));
    const std::string_view year = token.substr(second + 1);
    if (day == 0 || month == 0 || !IsDigits(year) || (year.size() != 4 && year.size() != 2)) return false;
    time.year = FullYear(static_cast<int>(*ParseNumber(year)));
    time.month = month;
    time.day = day;
    time.precision = TimePrecision::Day;
    return true;
}

std::size_t MatchListingDate(const ListingTokens& tokens, std::size_t first, const CivilDate& today,
                             RemoteTime& time) {
    if (first + 1 >= tokens.Count()) return 0;
    const std::string_view a = tokens[first].text;
    const std::string_view b = tokens[first + 1].text;
    int month = 0;
    int day = 0;
    if ((day = DayNumber(b)) != 0 && (month = MonthNumber(a)) != 0) {
    } else if ((day = DayNumber(a)) != 0 && (month = MonthNumber(b)) != 0) {
    } else if (ParseYearFirstDate(a, time)) {
        // "2005-06-07 21:22", "2005-06-07 21:22:33.000000000 +0200".
        if (!ParseClockTime(b, time)) return 1;
        const std::string_view zone = tokens.Text(first + 2);
        return (zone.size() == 5 && (zone[0] == '+' || zone[0] == '-') && IsDigits(zone.substr(1))) ? 3 : 2;
    } else if (int year = YearNumber(a); year != 0 && a.size() > 4 && (month = MonthNumber(b)) != 0 &&
                                         (day = DayNumber(tokens.Text(first + 2))) != 0) {
        // "2020年 1月 5日" with an optional time.
        time.Set(year, month, day, 0, 0, 0, TimePrecision::Day);
        return ParseClockTime(tokens.Text(first + 3), time) ? 4 : 3;
    } else {
        return 0;
    }
    time.month = month;
    time.day = day;
    const std::size_t rest = TimeOrYearAfter(tokens, first + 2, today, time);
    return rest == 0 ? 0 : 2 + rest;
}

void ShowAsIsoMinutes(RemoteTime& time) {
    const auto append = [&time](int value, int digits, char after) {
        char text[4];
        for (int i = digits - 1; i >= 0; --i, value /= 10) text[i] = static_cast<char>('0' + value % 10);
        time.shown.append(text, static_cast<std::size_t>(digits));
        if (after != 0) time.shown.push_back(after);
    };
    time.shown.clear();
    append(time.year, 4, '-');
    append(time.month, 2, '-');
    append(time.day, 2, ' ');
    append(time.hour, 2, ':');
    append(time.minute, 2, 0);
}

std::string UtcFactText(const RemoteTime& time) {
    if (!time.utc || time.precision != TimePrecision::Second) return {};
    char text[24];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    return text;
}

bool IsUsableName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '/') return false;
    }
    return true;
}
