#pragma once

#include <string>
#include <string_view>

#include "dataaccess_api.h"

namespace quorbix {

// The database name of a source string, made into an absolute file path.
//
// The name is always a plain file name. Making it absolute before SQLite sees
// it is what keeps names such as "file:x.db" or ":memory:" from being read as
// a URI or a special database: an absolute path starts with '/', and SQLite
// gives no meaning to that.
class DatabasePath {
public:
    // Expands a leading "~/" to the home folder ($HOME, else the password
    // database) and puts the working folder before a relative name. Nothing
    // else is changed: no "..", "." or symbolic link is resolved, so the path
    // in messages is the one the user can recognise.
    static dataaccess::Status Resolve(std::string_view name, DatabasePath& resolved);

    // Succeeds only for an existing regular file (or a link to one), with
    // the clearest message for each other case. SQLite's own open refuses
    // whatever is swapped in after this check (see RegularFiles).
    dataaccess::Status CheckRegularFile() const;

    const std::string& absolute() const noexcept { return absolute_; }

private:
    std::string absolute_;
};

// A path as every message of the provider shows it: in single quotes, as is.
std::string Quoted(std::string_view path);

}  // namespace quorbix
