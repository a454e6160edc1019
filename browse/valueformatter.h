#pragma once

#include <locale.h>

#include <string>
#include <string_view>

#include "dataaccess_api.h"

namespace browse {

// Turns field values into the text the user sees, in one locale:
//  - text as it is, whole;
//  - numbers in the locale's ordinary form: its decimal separator, no
//    grouping;
//  - dates in the locale's numeric date form with a four-digit year, padded
//    with zeros (0099), then the locale's time with seconds unless the time
//    is midnight; a zone the locale's form shows is the date's own, and left
//    out for a wall-clock date, which has none;
//  - empty as "";
//  - null not at all: that is an error.
// The locale's formats are looked up once, when the formatter is made.
class ValueFormatter {
public:
    // name as for newlocale(3): "" is the user's locale from the environment.
    // A locale category that is not installed falls back to "C" on its own.
    explicit ValueFormatter(const char* localeName = "");
    ~ValueFormatter();

    ValueFormatter(const ValueFormatter&) = delete;
    ValueFormatter& operator=(const ValueFormatter&) = delete;

    // Replaces out with the text of value; field names the value in the
    // error a null gives.
    dataaccess::Status Format(const dataaccess::Value& value, std::string_view field, std::string& out) const;

private:
    void FormatDate(const dataaccess::DateTime& date, std::string& out) const;
    void FormatReal(double number, std::string& out) const;

    locale_t locale_;
    // [0] the date only, for midnight; [1] the date, a space, the time with
    // seconds. Each [without zone, with zone]: a wall-clock date has none.
    std::string formats_[2][2];
    std::string decimalPoint_;
};

}  // namespace browse
