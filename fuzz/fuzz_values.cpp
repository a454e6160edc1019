// Value-to-text conversion of arbitrary numbers and dates: the provider's date readings (text, Unix
// seconds, Julian days) and the formatter that shows what they give, in a few locales.

#include <bit>
#include <cstring>

#include "datetext.h"
#include "valueformatter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // Made once: looking up a locale's formats is slow.
    static const browse::ValueFormatter formatters[] = {browse::ValueFormatter("C"),
                                                        browse::ValueFormatter("en_US.UTF-8"),
                                                        browse::ValueFormatter("de_DE.UTF-8")};
    // The first byte picks how the rest is read: the next 8 bytes (or as many as there are) as a
    // number, Unix seconds or a Julian day, or all of it as date text (selectors 3 and 4 too).
    const int selector = data[0] % 5;
    std::uint64_t bits = 0;
    std::memcpy(&bits, data + 1, std::min<std::size_t>(size - 1, sizeof bits));
    const auto date =
        selector == 1 ? quorbix::LocalDateFromUnixSeconds(static_cast<std::int64_t>(bits))
        : selector == 2
            ? quorbix::LocalDateFromJulianDay(std::bit_cast<double>(bits))
            : quorbix::ParseDateText(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    // Providers deliver only dates of the years 1 to 9999; a date read from text packs and unpacks unchanged.
    if (date && (date->year < 1 || date->year > 9999 ||
                 (selector > 2 && quorbix::UnpackDate(quorbix::PackDate(*date)) != *date)))
        abort();
    // Shown in each locale: never an error, never empty text.
    std::string text;
    for (const auto& formatter : formatters)
        for (const auto& value : {dataaccess::Value::Integer(static_cast<std::int64_t>(bits)),
                                  dataaccess::Value::Real(std::bit_cast<double>(bits)),
                                  date ? dataaccess::Value::Date(*date) : dataaccess::Value::Integer(0)})
            if (!formatter.Format(value, "Field", text).ok() || text.empty()) abort();
    return 0;
}
