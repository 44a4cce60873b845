#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ftp/remote_entry.h"

// The pieces every listing form is built from: blank-separated tokens with
// their place in the line, numbers, sizes, month names, dates and clock times.

// One blank-separated token and where it stands in its line.
struct ListingToken {
    std::string_view text;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The first tokens of a line (separated by blanks only: a tab can be part of
// a name). Only the head of a line is split: every form has its name last.
class ListingTokens {
public:
    static constexpr std::size_t kMost = 20;

    explicit ListingTokens(std::string_view line);
    std::size_t Count() const { return count; }
    const ListingToken& operator[](std::size_t i) const { return tokens[i]; }
    std::string_view Text(std::size_t i) const { return i < count ? tokens[i].text : std::string_view(); }
    // The rest of the line from the start of token i, blanks inside kept.
    std::string_view From(std::size_t i) const { return i < count ? line.substr(tokens[i].begin) : std::string_view(); }
    std::string_view Line() const { return line; }

private:
    std::string_view line;
    ListingToken tokens[kMost];
    std::size_t count = 0;
};

// A calendar day, for deciding the year a listing left out.
struct CivilDate {
    int year = 1970;
    int month = 1;
    int day = 1;
    static CivilDate TodayLocal();
};

bool IsDigits(std::string_view text);
// A run of digits that fits in 64 bits.
std::optional<std::int64_t> ParseNumber(std::string_view text);
// A size as listings write it: "1234", "1,234,567" or "1.234.567" (grouped
// thousands), or with a unit suffix "33.5k", "2M", "1.2G" (powers of 1024).
std::optional<std::int64_t> ParseListedSize(std::string_view text);

// 1 to 12 for a month name or abbreviation in English, German, French,
// Spanish, Italian, Dutch, Polish or Russian, or the Japanese, Chinese and
// Korean forms "1月" and "3월" (case and a trailing dot ignored); 0 otherwise.
int MonthNumber(std::string_view token);
// "5", "05", "5,", "5." or "5日" / "5일": 1 to 31, or 0.
int DayNumber(std::string_view token);
// "2020" or "2020年": the year, or 0.
int YearNumber(std::string_view token);
// "12:30", "9:05", "12:30:45" or "12:30:45.12"; with "AM"/"PM" joined on when
// twelveHour. Fills hour, minute, second and precision.
bool ParseClockTime(std::string_view token, RemoteTime& time, bool twelveHour = false);
// "2005-06-07" or "2005/06/07": year first.
bool ParseYearFirstDate(std::string_view token, RemoteTime& time);
// Two-digit years of old listings: 70 to 99 are the 1900s.
int FullYear(int year);
// "12-07-26", "12/07/2026", "23.02.00": month first unless the first number
// cannot be a month; separator is any of "-/.". Also year-first dates.
bool ParseNumericDate(std::string_view token, RemoteTime& time);
// "12-JAN-2005" or "05-Nov-07" (VMS, NonStop).
bool ParseDayMonthYear(std::string_view token, RemoteTime& time);

// A Unix date of any shape starting at token first: month and day in either
// order, then a time, a year, or both (with or without a comma); ISO dates
// with an optional time; year-first CJK dates. Returns the number of tokens
// the date takes, 0 if none starts there.
std::size_t MatchListingDate(const ListingTokens& tokens, std::size_t first, const CivilDate& today,
                             RemoteTime& time);

// Shows a time as "YYYY-MM-DD HH:MM", the way UTC times from facts appear.
void ShowAsIsoMinutes(RemoteTime& time);

// "YYYYMMDDHHMMSS", as MLSD writes a time, for a UTC time known to the
// second; empty for any other.
std::string UtcFactText(const RemoteTime& time);

// A name as read is usable: not empty, not "." or "..", no "/", no NUL and
// no other control character.
bool IsUsableName(std::string_view name);
