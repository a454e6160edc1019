#include "boundedfunctions.h"

#include <new>
#include <string>

namespace quorbix {

namespace {

struct Bounded {
    const char* name;
    int arguments;
};
// LIKE with ESCAPE is like() of three arguments; all multiply their first two.
constexpr std::array<Bounded, 8> kBounded = {{
    {"instr", 2},
    {"replace", 3},
    {"trim", 2},
    {"ltrim", 2},
    {"rtrim", 2},
    {"like", 2},
    {"like", 3},
    {"glob", 2},
}};

}  // namespace

int BoundedFunctions::Install(sqlite3* db) {
    db_ = db;
    for (std::size_t i = 0; i < kBounded.size(); ++i) {
        Function& function = functions_[i];
        function.owner = this;
        function.name = kBounded[i].name;
        function.arguments = kBounded[i].arguments;
        // Innocuous and deterministic as SQLite's own, or a schema could no
        // longer use them in a generated column.
        const int result = sqlite3_create_function(db, function.name, function.arguments,
                                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                                   &function, &BoundedFunctions::Call, nullptr, nullptr);
        if (result != SQLITE_OK) return result;
    }
    return SQLITE_OK;
}

sqlite3_stmt* BoundedFunctions::Statement(Function& function) {
    if (!own_) {
        sqlite3* raw = nullptr;
        sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        own_.reset(raw);
        if (raw == nullptr) return nullptr;
        // Values no longer than the reading connection's, so that replace()
        // cannot build more here than there.
        sqlite3_limit(raw, SQLITE_LIMIT_LENGTH, sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, -1));
    }
    if (!function.call) {
        std::string sql = std::string("SELECT ") + function.name + "(?1";
        for (int i = 2; i <= function.arguments; ++i) sql += ", ?" + std::to_string(i);
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(own_.get(), (sql + ")").c_str(), -1, &raw, nullptr);
        function.call.reset(raw);
    }
    return function.call.get();
}

void BoundedFunctions::Call(sqlite3_context* context, int count, sqlite3_value** values) noexcept {
    auto& function = *static_cast<Function*>(sqlite3_user_data(context));
    const auto product = static_cast<std::uint64_t>(sqlite3_value_bytes(values[0])) *
                         static_cast<std::uint64_t>(sqlite3_value_bytes(values[1]));
    if (product > kMaxProduct) {
        sqlite3_result_error(context, "a function call would cost too much", -1);
        sqlite3_result_error_code(context, SQLITE_INTERRUPT);
        return;
    }
    sqlite3_stmt* call = nullptr;
    try {
        call = function.owner->Statement(function);
    } catch (const std::bad_alloc&) {  // leaves call null: SQLite is told it ran out of memory
    }
    if (call == nullptr) {
        sqlite3_result_error_nomem(context);
        return;
    }
    for (int i = 0; i < count; ++i) sqlite3_bind_value(call, i + 1, values[i]);
    const int stepped = sqlite3_step(call);
    if (stepped == SQLITE_ROW) {
        sqlite3_result_value(context, sqlite3_column_value(call, 0));
    } else {
        sqlite3_result_error(context, sqlite3_errmsg(function.owner->own_.get()), -1);
        sqlite3_result_error_code(context, sqlite3_extended_errcode(function.owner->own_.get()));
    }
    sqlite3_reset(call);
}

}  // namespace quorbix
