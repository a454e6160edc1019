#pragma once

#include <string_view>

#include "dataaccess_api.h"

namespace quorbix {

// The source string of an Open, "Kind;database", split into its two parts.
// Both parts view the caller's string, so it must outlive this object.
class SourceString {
public:
    // Splits at the first ';' only: everything after it is the database name,
    // unchanged, because file names may themselves hold ';'. Checks the kind
    // and that a name is present, but nothing about the file.
    static dataaccess::Status Parse(std::string_view source, SourceString& parsed);

    std::string_view kind() const noexcept { return kind_; }
    std::string_view database() const noexcept { return database_; }

private:
    std::string_view kind_;
    std::string_view database_;
};

}  // namespace quorbix
