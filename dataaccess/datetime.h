#pragma once

namespace dataaccess {

// A wall-clock date and time as it is to be shown, with no zone attached:
// providers turn instants into local time before they deliver them.
struct DateTime {
    int year = 1;  // 1 to 9999
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool IsMidnight() const noexcept { return hour == 0 && minute == 0 && second == 0; }

    friend bool operator==(const DateTime&, const DateTime&) = default;
};

}  // namespace dataaccess
