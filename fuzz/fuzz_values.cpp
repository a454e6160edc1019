// Value-to-text conversion of arbitrary numbers and dates: the provider's
// date readings (text, Unix seconds, Julian days) and the formatter that
// shows what they give, in a few locales. Selector 3 is text too.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "datetext.h"
#include "valueformatter.h"

namespace {

template <typename T>
T Take(const std::uint8_t*& data, std::size_t& size) {
    T value{};
    const std::size_t bytes = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, bytes), data += bytes, size -= bytes;
    return value;
}

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
    const int selector = Take<std::uint8_t>(data, size) % 5;
    if (selector == 0) {  // a number as a name
        const auto integer = Take<std::int64_t>(data, size);
        Show(dataaccess::Value::Integer(integer));
        Show(dataaccess::Value::Real(std::bit_cast<double>(integer)));
    } else if (selector == 1) {  // Unix seconds
        ShowDate(quorbix::LocalDateFromUnixSeconds(Take<std::int64_t>(data, size)));
    } else if (selector == 2) {  // a Julian day
        ShowDate(quorbix::LocalDateFromJulianDay(Take<double>(data, size)));
    } else {  // date text; what is no date is shown as the text itself
        const auto date = quorbix::ParseDateText(std::string_view(reinterpret_cast<const char*>(data), size));
        ShowDate(date);
        // A date read from text packs and unpacks unchanged.
        if (date && quorbix::UnpackDate(quorbix::PackDate(*date)) != *date) abort();
    }
    return 0;
}
