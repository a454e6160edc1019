// Value-to-text conversion of arbitrary numbers and dates: the provider's
// date readings (text, Unix seconds, Julian days) and the formatter that
// shows what they give, in a few locales. Selectors 3 and 4 are text too.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "datetext.h"
#include "valueformatter.h"

namespace {

// Shows a value in each locale: never an error, never empty text.
void Show(const dataaccess::Value& value) {
    // Made once: looking up a locale's formats is slow.
    static const browse::ValueFormatter formatters[] = {browse::ValueFormatter("C"),
                                                        browse::ValueFormatter("en_US.UTF-8"),
                                                        browse::ValueFormatter("de_DE.UTF-8")};
    std::string text;
    for (const auto& formatter : formatters)
        if (!formatter.Format(value, "Field", text).ok() || text.empty()) abort();
}

void ShowDate(const std::optional<dataaccess::DateTime>& date) {
    if (date && (date->year < 1 || date->year > 9999)) abort();
    if (date) Show(dataaccess::Value::Date(*date));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int selector = data[0] % 5;
    std::uint64_t bits = 0;  // the next 8 bytes, or as many as there are
    std::memcpy(&bits, data + 1, std::min<std::size_t>(size - 1, sizeof bits));
    if (selector == 0) {  // a number as a name
        Show(dataaccess::Value::Integer(static_cast<std::int64_t>(bits)));
        Show(dataaccess::Value::Real(std::bit_cast<double>(bits)));
    } else if (selector == 1) {  // Unix seconds
        ShowDate(quorbix::LocalDateFromUnixSeconds(static_cast<std::int64_t>(bits)));
    } else if (selector == 2) {  // a Julian day
        ShowDate(quorbix::LocalDateFromJulianDay(std::bit_cast<double>(bits)));
    } else {  // date text; what is no date is shown as the text itself
        const auto date =
            quorbix::ParseDateText(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
        ShowDate(date);
        // A date read from text packs and unpacks unchanged.
        if (date && quorbix::UnpackDate(quorbix::PackDate(*date)) != *date) abort();
    }
    return 0;
}
