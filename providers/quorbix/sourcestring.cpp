#include "sourcestring.h"

#include <array>
#include <string>

#include "quorbixerrors.h"

namespace quorbix {

namespace {

// Case matters: the kinds are names, not words, and a near miss is more
// likely a typing error the user should hear about than a request.
constexpr std::array<std::string_view, 3> kKinds = {"Form", "Query", "Report"};

}  // namespace

dataaccess::Status SourceString::Parse(std::string_view source, SourceString& parsed) {
    const auto separator = source.find(';');
    if (separator == std::string_view::npos) {
        return {errors::kNoSeparator, "The source '" + std::string(source) +
                                          "' has no ';': write the object kind, a ';' and the "
                                          "database name, for example 'Form;orders.db'."};
    }
    const std::string_view kind = source.substr(0, separator);
    const std::string_view database = source.substr(separator + 1);

    bool known = false;
    for (const std::string_view accepted : kKinds) known = known || kind == accepted;
    if (kind.empty()) {
        return {errors::kUnknownKind, "No object kind was picked: pick Form, Query or Report."};
    }
    if (!known) {
        return {errors::kUnknownKind,
                "The object kind '" + std::string(kind) + "' is not known: use Form, Query or Report."};
    }
    if (database.empty()) {
        return {errors::kEmptyDatabaseName,
                "No database name follows the ';' in the source '" + std::string(source) + "'."};
    }
    parsed.kind_ = kind;
    parsed.database_ = database;
    return {};
}

}  // namespace quorbix
