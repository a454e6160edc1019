#include "valueformatter.h"

#include <langinfo.h>

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "programerrors.h"

namespace browse {
namespace {

// One conversion of a strftime form: "%", flags, a width, an E or O modifier
// and its letter, from begin up to end.
struct Conversion {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool plain = true;  // no flags, width or modifier
    char modifier = '\0';
    char letter = '\0';
};

// The conversion starting at format[begin], which is '%'. A form cut short
// yields no letter.
Conversion ReadConversion(std::string_view format, std::size_t begin) {
    Conversion conversion{begin, begin + 1};
    std::size_t& i = conversion.end;
    while (i < format.size() && std::string_view("_-0^#").find(format[i]) != std::string_view::npos) ++i;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
    if (i < format.size() && (format[i] == 'E' || format[i] == 'O')) conversion.modifier = format[i++];
    conversion.plain = i == begin + 1;
    if (i < format.size()) conversion.letter = format[i++];
    return conversion;
}

// Calls each(conversion) for every conversion of format, and literal(text)
// for the text between them.
template <typename Literal, typename Each>
void ForEachPart(std::string_view format, Literal literal, Each each) {
    std::size_t done = 0;
    for (std::size_t i = format.find('%'); i != std::string_view::npos; i = format.find('%', done)) {
        literal(format.substr(done, i - done));
        const Conversion conversion = ReadConversion(format, i);
        each(conversion, format.substr(i, conversion.end - i));
        done = conversion.end;
    }
    literal(format.substr(done));
}

std::string LocaleText(nl_item item, locale_t locale, const char* fallback) {
    const char* text = nl_langinfo_l(item, locale);
    return text != nullptr && *text != '\0' ? text : fallback;
}

// Replaces the conversions that stand for other forms of the locale (%c, %x,
// %X, %r, %D) by those forms, so that a year or a zone inside them is seen.
std::string ExpandComposites(std::string_view format, locale_t locale, int depth = 0) {
    std::string expanded;
    ForEachPart(
        format, [&](std::string_view text) { expanded += text; },
        [&](const Conversion& c, std::string_view directive) {
            const bool era = c.modifier == 'E' && directive.size() == 3;
            std::string inner;
            if (depth < 3 && (c.plain || era)) {
                const auto pick = [&](nl_item item, nl_item eraItem, const char* fallback) {
                    if (era) inner = LocaleText(eraItem, locale, "");
                    if (inner.empty()) inner = LocaleText(item, locale, fallback);
                };
                switch (c.letter) {
                    case 'c':
                        pick(D_T_FMT, ERA_D_T_FMT, "%a %b %e %H:%M:%S %Y");
                        break;
                    case 'x':
                        pick(D_FMT, ERA_D_FMT, "%m/%d/%y");
                        break;
                    case 'X':
                        pick(T_FMT, ERA_T_FMT, "%H:%M:%S");
                        break;
                    case 'r':
                        if (c.plain) inner = LocaleText(T_FMT_AMPM, locale, "%I:%M:%S %p");
                        break;
                    case 'D':
                        if (c.plain) inner = "%m/%d/%y";
                        break;
                    default:
                        break;
                }
            }
            expanded += inner.empty() ? std::string(directive) : ExpandComposites(inner, locale, depth + 1);
        });
    return expanded;
}

// Gives every year four digits: "%y" becomes "%Y", and "%Oy" (two of the
// locale's own digits) is led by "%OC", the century in those digits, where
// the locale writes its digits in pairs. A year already led by its century
// stays as it is. glibc's "%Y" does not pad years below 1000, so every year
// in Western digits gets a width of four, which pads with zeros; so does the
// year of an era ("%Ey"), which only the Buddhist calendars of th_TH and
// lo_LA use in their date forms.
std::string WidenYear(std::string_view format, bool centuryInLocaleDigits) {
    std::string wide;
    bool afterCentury = false;
    const auto fourDigits = [&wide](std::string_view flags, std::string_view letters) {
        wide.append("%").append(flags);
        if (flags.find_first_of("0123456789") == std::string_view::npos) wide += '4';
        wide.append(letters);
    };
    ForEachPart(
        format,
        [&](std::string_view text) {
            wide += text;
            if (!text.empty()) afterCentury = false;
        },
        [&](const Conversion& c, std::string_view directive) {
            const std::string_view flags =
                directive.substr(1, directive.size() - 2 - (c.modifier != '\0' ? 1 : 0));
            if (c.letter == 'y' && !afterCentury && c.modifier == '\0') {
                fourDigits(flags, "Y");
            } else if (c.letter == 'y' && !afterCentury && c.modifier == 'O') {
                if (centuryInLocaleDigits) {
                    wide.append("%").append(flags).append("OC").append(directive);
                } else {
                    fourDigits(flags, "Y");
                }
            } else if ((c.letter == 'Y' && c.modifier == '\0') ||
                       (c.letter == 'y' && c.modifier == 'E' && !afterCentury)) {
                fourDigits(flags, directive.substr(directive.size() - (c.modifier != '\0' ? 2 : 1)));
            } else {
                wide += directive;
            }
            afterCentury = c.letter == 'C';
        });
    return wide;
}

// The length of the blank (ASCII, no-break or narrow no-break space) that
// text starts with, or 0.
std::size_t LeadingBlank(std::string_view text) {
    for (const std::string_view blank : {" ", "\t", "\xC2\xA0", "\xE2\x80\xAF"}) {
        if (text.starts_with(blank)) return blank.size();
    }
    return 0;
}

std::size_t TrailingBlank(std::string_view text) {
    for (const std::string_view blank : {" ", "\t", "\xC2\xA0", "\xE2\x80\xAF"}) {
        if (text.ends_with(blank)) return blank.size();
    }
    return 0;
}

// The form without its zone (%Z, %z) and the blanks that set the zone
// apart, for dates that have no zone.
std::string WithoutZone(std::string_view format) {
    std::string kept;
    bool dropBlanks = false;  // right after a zone that had no blanks before it
    ForEachPart(
        format,
        [&](std::string_view text) {
            while (dropBlanks && LeadingBlank(text) > 0) text.remove_prefix(LeadingBlank(text));
            kept += text;
            if (!text.empty()) dropBlanks = false;
        },
        [&](const Conversion& c, std::string_view directive) {
            if (c.letter != 'Z' && c.letter != 'z') {
                kept += directive;
                dropBlanks = false;
                return;
            }
            // The blanks before the zone go with it; with none before it,
            // those after it go instead.
            dropBlanks = true;
            for (std::size_t n = TrailingBlank(kept); n > 0; n = TrailingBlank(kept)) {
                kept.resize(kept.size() - n);
                dropBlanks = false;
            }
        });
    return kept;
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
    if (date.HasZone()) {
        // Without these the C library would show the zone of the current
        // time, not that of the date.
        tm.tm_zone = date.zone.data();
        tm.tm_gmtoff = date.utcOffset;
    }
    return tm;
}

// Each category on its own, so that one the environment names wrongly (say
// an LC_NUMERIC that is not installed) does not take the others with it.
locale_t MakeLocale(const char* name) {
    locale_t locale = newlocale(LC_TIME_MASK, name, locale_t{});
    if (locale == locale_t{}) locale = newlocale(LC_TIME_MASK, "C", locale_t{});
    if (locale == locale_t{}) return locale;
    if (const locale_t both = newlocale(LC_NUMERIC_MASK, name, locale)) return both;
    return locale;  // still C numbers, and untouched by the failed newlocale
}

// Whether the locale writes the century and the year of 2005 in four of its
// own digits ("%OC%Oy"); with unpadded digits that would be three.
bool WritesDigitsInPairs(locale_t locale) {
    std::tm tm{};
    tm.tm_year = 2005 - 1900;
    std::array<char, 64> text{};
    const std::size_t length = strftime_l(text.data(), text.size(), "%OC%Oy", &tm, locale);
    std::size_t characters = 0;
    for (std::size_t i = 0; i < length; ++i)
        characters += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    return characters == 4;
}

// strftime gives 0 both for a buffer too small and for an empty result; a
// mark at the end of every form tells the two apart.
constexpr char kEndMark = '|';

// A date the locale's form made nothing of still shows, in ISO form.
void FormatIso(const dataaccess::DateTime& date, std::string& out) {
    std::array<char, 48> text;
    const int length =
        date.IsMidnight()
            ? std::snprintf(text.data(), text.size(), "%04d-%02d-%02d", date.year, date.month, date.day)
            : std::snprintf(text.data(), text.size(), "%04d-%02d-%02d %02d:%02d:%02d", date.year, date.month,
                            date.day, date.hour, date.minute, date.second);
    out.assign(text.data(), static_cast<std::size_t>(length));
}

}  // namespace

ValueFormatter::ValueFormatter(const char* localeName) : locale_(MakeLocale(localeName)) {
    const bool pairs = WritesDigitsInPairs(locale_);
    const std::string date = ExpandComposites(LocaleText(D_FMT, locale_, "%m/%d/%y"), locale_);
    const std::string time = ExpandComposites(LocaleText(T_FMT, locale_, "%H:%M:%S"), locale_);
    const std::string forms[] = {date, date + " " + time};
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string wide = WidenYear(forms[i], pairs);
        formats_[i][0] = WithoutZone(wide) + kEndMark;
        formats_[i][1] = wide + kEndMark;
    }
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
    // Providers deliver years 1 to 9999 only; Quorbix shows a date outside
    // them as the text or number stored.
    assert(date.year >= 1 && date.year <= 9999);
    const std::tm tm = ToTm(date);
    const std::string& format = formats_[date.IsMidnight() ? 0 : 1][date.HasZone() ? 1 : 0];
    // Written straight into out, grown until the text fits; a form's text is
    // bounded, the limit only guards against a locale gone mad.
    constexpr std::size_t kLimit = std::size_t{1} << 16;
    out.resize(std::max<std::size_t>(out.capacity(), 64));
    for (;;) {
        const std::size_t length = strftime_l(out.data(), out.size(), format.c_str(), &tm, locale_);
        if (length > 1) {
            out.resize(length - 1);  // without the end mark
            return;
        }
        if (length == 1 || out.size() >= kLimit) break;
        out.resize(out.size() * 2);
    }
    FormatIso(date, out);
}

}  // namespace browse
