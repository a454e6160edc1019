#pragma once

#include <algorithm>
#include <string_view>

namespace dataaccess {

// Names in connection strings and field names are ASCII and compared without
// regard to case, whatever the user's locale says about other letters.
inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return std::ranges::equal(a, b, [&](unsigned char x, unsigned char y) { return lower(x) == lower(y); });
}

}  // namespace dataaccess
