#include "internal.h"

namespace dataaccess {
namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

Status ProviderFromConnectionString(std::string_view connection, std::string& provider) {
    bool found = false;
    std::string_view rest = connection;
    while (true) {
        const std::size_t end = rest.find(';');
        const std::string_view pair = Trim(rest.substr(0, end));
        if (!pair.empty()) {
            const std::size_t equals = pair.find('=');
            if (equals == std::string_view::npos) {
                return {errors::kBadConnection,
                        "The connection string has a part without \"=\": \"" + std::string(pair) + "\"."};
            }
            // The last Provider pair wins, as with any repeated key.
            if (EqualsIgnoringAsciiCase(Trim(pair.substr(0, equals)), "Provider")) {
                provider = Trim(pair.substr(equals + 1));
                found = true;
            }
        }
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    if (!found || provider.empty()) {
        return {errors::kNoProvider, "The connection string names no provider."};
    }
    return {};
}

}  // namespace dataaccess
