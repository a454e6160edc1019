#include "datetext.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace quorbix {

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads exactly `count` ASCII digits at `position`; -1 if any is not a digit.
int Digits(std::string_view text, std::size_t position, std::size_t count) {
    int value = 0;
    for (std::size_t i = position; i < position + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Unix seconds of 0001-01-01 00:00:00 and 9999-12-31 23:59:59 UTC, widened by
// more than any zone offset. Outside this span there is certainly no date in
// range, and time_t arithmetic in the C library is kept far from overflow.
constexpr std::int64_t kEarliestSeconds = -62135596800 - std::int64_t{2} * 86400;
constexpr std::int64_t kLatestSeconds = 253402300799 + std::int64_t{2} * 86400;

// Julian day 2440587.5 is 1970-01-01 00:00:00 UTC.
constexpr double kUnixEpochJulianSeconds = 2440587.5 * 86400.0;

}  // namespace

std::optional<dataaccess::DateTime> ParseDateText(std::string_view text) noexcept {
    const std::size_t length = text.size();
    if (length != 10 && length != 16 && length != 19) return std::nullopt;
    if (text[4] != '-' || text[7] != '-') return std::nullopt;

    dataaccess::DateTime date;
    date.year = Digits(text, 0, 4);
    date.month = Digits(text, 5, 2);
    date.day = Digits(text, 8, 2);
    if (length >= 16) {
        if ((text[10] != ' ' && text[10] != 'T') || text[13] != ':') return std::nullopt;
        date.hour = Digits(text, 11, 2);
        date.minute = Digits(text, 14, 2);
    }
    if (length == 19) {
        if (text[16] != ':') return std::nullopt;
        date.second = Digits(text, 17, 2);
    }
    // Digits() gives -1 for a non-digit, which every lower bound below rejects.
    if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 ||
        date.day > DaysInMonth(date.year, date.month) || date.hour < 0 || date.hour > 23 || date.minute < 0 ||
        date.minute > 59 || date.second < 0 || date.second > 59) {
        return std::nullopt;
    }
    return date;
}

std::optional<dataaccess::DateTime> LocalDateFromUnixSeconds(std::int64_t seconds) noexcept {
    if (seconds < kEarliestSeconds || seconds > kLatestSeconds) return std::nullopt;
    const std::time_t instant = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&instant, &local) == nullptr) return std::nullopt;
    const int year = local.tm_year + 1900;
    if (year < 1 || year > 9999) return std::nullopt;
    // A leap second (tm_sec 60) can only come from "right/" zone files; the
    // program's dates have no room for it, so it is folded into second 59.
    dataaccess::DateTime date{year,          local.tm_mon + 1, local.tm_mday,
                              local.tm_hour, local.tm_min,     local.tm_sec > 59 ? 59 : local.tm_sec};
    // The zone is copied, not pointed to: the C library may reuse its text
    // when the TZ rules are loaded again.
    date.utcOffset = static_cast<int>(local.tm_gmtoff);
    const std::size_t length = local.tm_zone != nullptr ? std::strlen(local.tm_zone) : 0;
    if (length > 0 && length < date.zone.size()) {
        std::memcpy(date.zone.data(), local.tm_zone, length);
    } else {
        // No name, or one too long to keep: the offset names the zone.
        const int minutes = std::abs(date.utcOffset) / 60;
        std::snprintf(date.zone.data(), date.zone.size(), "%c%02d%02d", date.utcOffset < 0 ? '-' : '+',
                      minutes / 60 % 100, minutes % 60);
    }
    return date;
}

std::optional<dataaccess::DateTime> LocalDateFromJulianDay(double day) noexcept {
    if (!std::isfinite(day)) return std::nullopt;
    const double seconds = std::round(day * 86400.0 - kUnixEpochJulianSeconds);
    // Compared as a double so that a huge value never reaches the conversion,
    // which would be undefined.
    if (seconds < static_cast<double>(kEarliestSeconds) || seconds > static_cast<double>(kLatestSeconds)) {
        return std::nullopt;
    }
    return LocalDateFromUnixSeconds(static_cast<std::int64_t>(seconds));
}

std::uint64_t PackDate(const dataaccess::DateTime& date) noexcept {
    // 14 bits of year, then 4 + 5 + 5 + 6 + 6 bits for the rest.
    return static_cast<std::uint64_t>(date.year) << 26 | static_cast<std::uint64_t>(date.month) << 22 |
           static_cast<std::uint64_t>(date.day) << 17 | static_cast<std::uint64_t>(date.hour) << 12 |
           static_cast<std::uint64_t>(date.minute) << 6 | static_cast<std::uint64_t>(date.second);
}

dataaccess::DateTime UnpackDate(std::uint64_t packed) noexcept {
    const auto field = [packed](int shift, std::uint64_t mask) {
        return static_cast<int>((packed >> shift) & mask);
    };
    return {field(26, 0x3FFF), field(22, 0xF), field(17, 0x1F),
            field(12, 0x1F),   field(6, 0x3F), field(0, 0x3F)};
}

}  // namespace quorbix
