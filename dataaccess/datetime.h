#pragma once

#include <array>

namespace dataaccess {

// A date and time as it is to be shown. A wall-clock date has no zone. An
// instant, which providers turn into local time before they deliver it,
// carries the zone that local time had at that instant, for locales whose
// form shows it.
struct DateTime {
    int year = 1;  // 1 to 9999
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::array<char, 16> zone{};  // abbreviation, NUL-terminated; empty: no zone
    int utcOffset = 0;            // seconds east of UTC, when there is a zone

    bool IsMidnight() const noexcept { return hour == 0 && minute == 0 && second == 0; }
    bool HasZone() const noexcept { return zone[0] != '\0'; }

    friend bool operator==(const DateTime&, const DateTime&) = default;
};

}  // namespace dataaccess
