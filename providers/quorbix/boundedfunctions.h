#pragma once

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <memory>

namespace quorbix {

// Bounds, on one connection, the SQLite functions whose cost grows with the
// product of two inputs' lengths: instr, replace, trim with a set of
// characters, LIKE and GLOB. A schema may compute a column with one of them,
// and one call is one step of SQLite's virtual machine, which no progress
// handler can stop; a 10,000-character pattern against a 2 MB value costs
// minutes. Each is replaced by one that refuses, with SQLITE_INTERRUPT, a
// call whose first two inputs' lengths multiply past kMaxProduct, and hands
// any other to SQLite's own function on a private in-memory connection, so
// that results are exactly SQLite's.
class BoundedFunctions {
public:
    // About 5 ms of the slowest of them, LIKE, at its worst.
    static constexpr std::uint64_t kMaxProduct = std::uint64_t{1} << 20;

    BoundedFunctions() = default;
    BoundedFunctions(const BoundedFunctions&) = delete;
    BoundedFunctions& operator=(const BoundedFunctions&) = delete;

    // Replaces the functions on db, whose value-length limit the private
    // connection then shares. This object must outlive db's statements.
    int Install(sqlite3* db);

private:
    struct ConnectionCloser {
        void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
    };
    struct StatementFinalizer {
        void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
    };
    struct Function {
        BoundedFunctions* owner = nullptr;
        const char* name = nullptr;
        int arguments = 0;
        std::unique_ptr<sqlite3_stmt, StatementFinalizer> call;  // SQLite's own, made on first use
    };

    static void Call(sqlite3_context* context, int count, sqlite3_value** values) noexcept;
    sqlite3_stmt* Statement(Function& function);

    sqlite3* db_ = nullptr;
    std::unique_ptr<sqlite3, ConnectionCloser> own_;
    std::array<Function, 8> functions_;
};

}  // namespace quorbix
