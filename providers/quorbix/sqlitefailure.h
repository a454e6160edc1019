#pragma once

#include <sqlite3.h>

#include <string>

#include "dataaccess_api.h"

namespace quorbix {

// What the reader knows about its connection beyond SQLite's result code.
struct FailureFacts {
    // The schema computes a column the reader reads: a value too long for
    // SQLite then means too much work, not too long a stored value.
    bool computesColumns = false;
    // The longest value shown, for the message that refuses a longer one.
    int maxValueBytes = 0;
};

// Turns an SQLite result code into the provider's numbered error, while db
// still holds SQLite's message and the system's error for it. A file beside
// the database refused for not being a plain file (see RegularFiles) takes
// precedence over whatever SQLite made of the refusal.
dataaccess::Status SqliteFailure(sqlite3* db, int result, const std::string& path, const FailureFacts& facts);

}  // namespace quorbix
