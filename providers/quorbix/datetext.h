#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "dataaccess_api.h"

namespace quorbix {

// The three ways SQLite stores a date, turned into the wall-clock dates the
// program shows:
//   - ISO-8601 text is already wall-clock time and is taken as written;
//   - a Julian day number (REAL) and Unix seconds (INTEGER) are instants in
//     UTC and are shown in local time (the TZ rules of this process), with
//     the zone's name and offset at that instant.
// Anything that is not a real date between the years 1 and 9999 yields no
// date, and the caller delivers the stored value unchanged instead.

// "YYYY-MM-DD", optionally followed by " HH:MM", " HH:MM:SS", "THH:MM" or
// "THH:MM:SS", exactly: no fractions, zones or surrounding spaces.
std::optional<dataaccess::DateTime> ParseDateText(std::string_view text) noexcept;

std::optional<dataaccess::DateTime> LocalDateFromUnixSeconds(std::int64_t seconds) noexcept;

// Rounded to the nearest second; NaN and infinities yield no date.
std::optional<dataaccess::DateTime> LocalDateFromJulianDay(double day) noexcept;

// A valid date in one 64-bit word, so a snapshot can keep it beside numbers
// and text offsets without a separate table.
std::uint64_t PackDate(const dataaccess::DateTime& date) noexcept;
dataaccess::DateTime UnpackDate(std::uint64_t packed) noexcept;

}  // namespace quorbix
