#include "sqlitefailure.h"

#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <system_error>

#include "databasepath.h"
#include "quorbixerrors.h"
#include "regularfiles.h"

namespace quorbix {

namespace {

// Conditions that SQLite's codes alone do not tell apart; negative, so that
// no SQLite code is ever taken for one.
constexpr int kComputedTooBig = -1;  // SQLITE_TOOBIG while the schema computes a column read
constexpr int kShmMissing = -2;      // SQLITE_CANTOPEN for a WAL database's missing "-shm"

// In a message, {path} is the database's quoted path, {sqlite} SQLite's own
// message, {system} the system's reason, {max} the longest value shown.
struct Explanation {
    int code;  // an extended code, a primary code, or one of the conditions above
    int number;
    std::string_view text;
};

// A reader that may not write cannot finish what a crashed writer left, nor
// make the files a WAL database needs: SQLite's own "attempt to write" would
// wrongly suggest that the provider meant to write.
constexpr std::string_view kUnfinished =
    "The database {path} holds an unfinished change left by a program that stopped while writing it. "
    "It is only read here, so it cannot be repaired: open it once with a program that may write to it, "
    "then try again.";
constexpr std::string_view kLocked =
    "The database {path} is locked by another program that is writing to it; try again "
    "when it has finished.";
constexpr std::string_view kWalShm =
    "Cannot open the database {path}: it is in WAL mode, and SQLite cannot make or use the '-shm' file it "
    "needs beside it, because the folder, its file system or that file is read-only.";

// Searched in order: extended codes before the primary codes they refine.
constexpr Explanation kExplanations[] = {
    {SQLITE_READONLY_ROLLBACK, errors::kUnfinishedChange, kUnfinished},
    {SQLITE_READONLY_RECOVERY, errors::kUnfinishedChange, kUnfinished},
    {SQLITE_READONLY_DIRECTORY, errors::kCannotOpen, kWalShm},
    {SQLITE_READONLY_CANTINIT, errors::kCannotOpen, kWalShm},
    {SQLITE_READONLY_CANTLOCK, errors::kCannotOpen, kWalShm},
    {kShmMissing, errors::kCannotOpen, kWalShm},
    {kComputedTooBig, errors::kTooMuchWork,
     "The catalog in the database {path} asks for too much work to read: its schema computes a value "
     "longer than any it may show."},
    {SQLITE_NOTADB, errors::kNotADatabase, "The file {path} is not an SQLite database."},
    {SQLITE_CORRUPT, errors::kDatabaseCorrupt, "The database {path} is damaged ({sqlite})."},
    {SQLITE_BUSY, errors::kDatabaseLocked, kLocked},
    {SQLITE_LOCKED, errors::kDatabaseLocked, kLocked},
    // Only the work budget, or a function call it bounds, interrupts.
    {SQLITE_INTERRUPT, errors::kTooMuchWork,
     "The catalog in the database {path} asks for too much work to read: its schema makes one object "
     "cost far more than reading it should."},
    {SQLITE_TOOBIG, errors::kValueTooLong,
     "The catalog in the database {path} holds a value too long to read; at most {max} bytes (1 MiB) "
     "can be shown."},
    {SQLITE_NOMEM, errors::kOutOfMemory, "Out of memory while reading the database {path}."},
    // The system's reason (permissions, too many open files, ...) says more
    // than SQLite's generic "unable to open".
    {SQLITE_CANTOPEN, errors::kCannotOpen, "Cannot open the database {path}: {system}."},
};

// Whether a failure to open is a WAL database's "-shm" that is missing and
// could not be made: SQLite then reports the missing file's ENOENT, which
// would read as if the database itself were missing.
bool ShmMissing(sqlite3* db, const std::string& path) {
    return sqlite3_system_errno(db) == ENOENT && access(path.c_str(), F_OK) == 0 &&
           access((path + "-shm").c_str(), F_OK) != 0;
}

int Condition(sqlite3* db, int result, const std::string& path, const FailureFacts& facts) {
    if ((result & 0xFF) == SQLITE_TOOBIG && facts.computesColumns) return kComputedTooBig;
    if ((result & 0xFF) == SQLITE_CANTOPEN && ShmMissing(db, path)) return kShmMissing;
    return result;
}

std::string Fill(std::string_view text, sqlite3* db, const std::string& path, const FailureFacts& facts) {
    const auto system = [db] {
        const int error = sqlite3_system_errno(db);
        return error != 0 ? std::generic_category().message(error) : std::string(sqlite3_errmsg(db));
    };
    std::string filled;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t open = text.find('{', at);
        filled += text.substr(at, open - at);
        if (open == std::string_view::npos) break;
        const std::size_t close = text.find('}', open);
        if (close == std::string_view::npos) break;  // the templates above always close
        const std::string_view field = text.substr(open + 1, close - open - 1);
        if (field == "path") filled += Quoted(path);
        if (field == "sqlite") filled += sqlite3_errmsg(db);
        if (field == "system") filled += system();
        if (field == "max") filled += std::to_string(facts.maxValueBytes);
        at = close + 1;
    }
    return filled;
}

}  // namespace

dataaccess::Status SqliteFailure(sqlite3* db, int result, const std::string& path,
                                 const FailureFacts& facts) {
    // SQLite's own files beside the database are opened as needed; one that is
    // no plain file fails the read in whatever way SQLite then takes it.
    if (const auto refused = RegularFiles::TakeRefusal()) {
        return {errors::kSidecarNotAFile, "Cannot read the database " + Quoted(path) + ": SQLite's file '" +
                                              refused->path + "' beside it is " + refused->why + "."};
    }
    const int code = Condition(db, result, path, facts);
    for (const Explanation& explanation : kExplanations) {
        if (explanation.code == code || explanation.code == (code & 0xFF))
            return {explanation.number, Fill(explanation.text, db, path, facts)};
    }
    return {errors::kSqliteError, "Cannot read the database " + Quoted(path) + ": " + sqlite3_errmsg(db) +
                                      " (SQLite error " + std::to_string(result) + ")."};
}

}  // namespace quorbix
