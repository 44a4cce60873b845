#include "ftp/modification_time.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>

namespace {

constexpr std::size_t kWholeDigits = 14;
constexpr std::size_t kMostFractionDigits = 9;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar;
// computed here rather than by timegm, which depends on the process's zone
// settings on some systems.
std::int64_t DaysSinceEpoch(int year, int month, int day) {
    const int y = month <= 2 ? year - 1 : year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int monthFromMarch = month > 2 ? month - 3 : month + 9;
    const int dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

}  // namespace

std::optional<ServerTime> ParseServerTime(std::string_view text) {
    if (text.size() < kWholeDigits) return std::nullopt;
    const std::string_view whole = text.substr(0, kWholeDigits);
    for (char c : whole) {
        if (!IsDigit(c)) return std::nullopt;
    }
    long nanoseconds = 0;
    const std::string_view rest = text.substr(kWholeDigits);
    if (!rest.empty()) {
        const std::string_view fraction = rest.substr(1);
        if (rest[0] != '.' || fraction.empty() || fraction.size() > kMostFractionDigits) return std::nullopt;
        for (char c : fraction) {
            if (!IsDigit(c)) return std::nullopt;
        }
        nanoseconds = Number(fraction);
        for (std::size_t i = fraction.size(); i < kMostFractionDigits; ++i) nanoseconds *= 10;
    }
    const int year = Number(whole.substr(0, 4));
    const int month = Number(whole.substr(4, 2));
    const int day = Number(whole.substr(6, 2));
    const int hour = Number(whole.substr(8, 2));
    const int minute = Number(whole.substr(10, 2));
    const int second = Number(whole.substr(12, 2));
    // Year 0 and the like are garbage, not history; 60 is a leap second.
    if (year < 1000 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 60) {
        return std::nullopt;
    }
    ServerTime time;
    time.seconds = DaysSinceEpoch(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    time.nanoseconds = nanoseconds;
    return time;
}

std::optional<ServerTime> TimeFromMdtmReply(std::string_view replyText) {
    if (replyText.substr(0, 4) != "213 ") return std::nullopt;
    std::string_view value = replyText.substr(4);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.remove_suffix(1);
    return ParseServerTime(value);
}

int SetModificationTime(const std::string& path, const ServerTime& time) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return EINVAL;
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(time.seconds);
    times[1].tv_nsec = time.nanoseconds;
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) return errno;
    return 0;
}

std::string ServerTimeText(std::int64_t seconds) {
    const time_t when = static_cast<time_t>(seconds);
    struct tm utc {};
    char text[32] = {};
    if (gmtime_r(&when, &utc) == nullptr || std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &utc) == 0)
        return {};
    return text;
}
