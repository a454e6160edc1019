#include "valueformatter.h"

#include <langinfo.h>

#include <array>
#include <charconv>
#include <chrono>
#include <ctime>

#include "programerrors.h"

namespace browse {
namespace {

// The numeric date form some locales give with a two-digit year ("%y"):
// widened to four digits so that no year is ambiguous.
std::string WidenYear(std::string_view format) {
    std::string wide;
    for (std::size_t i = 0; i < format.size(); ++i) {
        wide += format[i];
        if (format[i] == '%' && i + 1 < format.size()) {
            const char conversion = format[++i];
            wide += conversion == 'y' ? 'Y' : conversion;  // "%%" passes whole, so "%%y" stays
        }
    }
    return wide;
}

std::string LocaleText(nl_item item, locale_t locale, const char* fallback) {
    const char* text = nl_langinfo_l(item, locale);
    return text != nullptr && *text != '\0' ? text : fallback;
}

std::tm ToTm(const dataaccess::DateTime& date) {
    std::tm tm{};
    tm.tm_year = date.year - 1900;
    tm.tm_mon = date.month - 1;
    tm.tm_mday = date.day;
    tm.tm_hour = date.hour;
    tm.tm_min = date.minute;
    tm.tm_sec = date.second;
    // Some locales name the weekday in their date form.
    using namespace std::chrono;
    const year_month_day ymd{year{date.year}, month{static_cast<unsigned>(date.month)},
                             day{static_cast<unsigned>(date.day)}};
    const sys_days days{ymd};
    tm.tm_wday = static_cast<int>(weekday{days}.c_encoding());
    tm.tm_yday = static_cast<int>((days - sys_days{year_month_day{ymd.year(), January, day{1}}}).count());
    return tm;
}

}  // namespace

ValueFormatter::ValueFormatter(const char* localeName) {
    const int categories = LC_TIME_MASK | LC_NUMERIC_MASK;
    locale_ = newlocale(categories, localeName, locale_t{});
    if (locale_ == locale_t{}) locale_ = newlocale(categories, "C", locale_t{});
    dateFormat_ = WidenYear(LocaleText(D_FMT, locale_, "%m/%d/%Y"));
    dateTimeFormat_ = dateFormat_ + " " + LocaleText(T_FMT, locale_, "%H:%M:%S");
    decimalPoint_ = LocaleText(RADIXCHAR, locale_, ".");
}

ValueFormatter::~ValueFormatter() {
    if (locale_ != locale_t{}) freelocale(locale_);
}

dataaccess::Status ValueFormatter::Format(const dataaccess::Value& value, std::string_view field,
                                          std::string& out) const {
    using Kind = dataaccess::Value::Kind;
    switch (value.kind()) {
        case Kind::Empty:
            out.clear();
            break;
        case Kind::Null:
            return {errors::kInvalidUseOfNull,
                    "Invalid use of Null: the field '" + std::string(field) + "' has no value to show."};
        case Kind::Text:
            out.assign(value.AsText());
            break;
        case Kind::Integer: {
            std::array<char, 24> digits;
            const auto end =
                std::to_chars(digits.data(), digits.data() + digits.size(), value.AsInteger()).ptr;
            out.assign(digits.data(), end);
            break;
        }
        case Kind::Real:
            FormatReal(value.AsReal(), out);
            break;
        case Kind::Date:
            FormatDate(value.AsDate(), out);
            break;
    }
    return {};
}

void ValueFormatter::FormatReal(double number, std::string& out) const {
    // The shortest text that reads back as the same number.
    std::array<char, 32> digits;
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
    out.clear();
    for (const char* c = digits.data(); c != end; ++c) {
        if (*c == '.') {
            out += decimalPoint_;
        } else {
            out += *c;
        }
    }
}

void ValueFormatter::FormatDate(const dataaccess::DateTime& date, std::string& out) const {
    const std::tm tm = ToTm(date);
    const std::string& format = date.IsMidnight() ? dateFormat_ : dateTimeFormat_;
    std::array<char, 128> text;
    const std::size_t length = strftime_l(text.data(), text.size(), format.c_str(), &tm, locale_);
    out.assign(text.data(), length);
}

}  // namespace browse
