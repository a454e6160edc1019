#include "readplan.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorbix {

namespace {

// A kind with more than one object in this many of the table is read by a
// scan: at 10^6 objects a look-up through the index costs about eight times
// what a scan costs per row of the table, the sort of the kind's objects
// included.
constexpr std::int64_t kScanCostShare = 8;
// A kind with fewer objects than this is walked whatever the table: that
// many look-ups take well under a millisecond, and the walk spares the
// reading of the table's ends.
constexpr std::int64_t kFewObjects = 256;

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

int Prepare(sqlite3* db, const std::string& sql, Statement& statement) {
    sqlite3_stmt* raw = nullptr;
    const int result = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
    statement.reset(raw);
    return result;
}

bool Is(const unsigned char* text, const char* expected) {
    return text != nullptr && sqlite3_stricmp(reinterpret_cast<const char*>(text), expected) == 0;
}

// What one index on objects offers the row query.
struct IndexUse {
    bool findsKind = false;  // its first key is kind, compared byte for byte as the query does
    bool ordered = false;    // then name, ascending in NOCASE order: the order shown
    bool created = false;    // it holds both dates, so the table is never read
    bool updated = false;
};

// Adds one column of an index, a row of PRAGMA index_xinfo: an index on
// expressions is never taken for more than it is.
void AddColumn(IndexUse& index, int& keys, sqlite3_stmt* column) {
    const unsigned char* name = sqlite3_column_text(column, 2);
    const bool key = sqlite3_column_int(column, 5) != 0;
    if (key && keys == 0) index.findsKind = Is(name, "kind") && Is(sqlite3_column_text(column, 4), "BINARY");
    if (key && keys == 1)
        index.ordered = index.findsKind && Is(name, "name") && sqlite3_column_int(column, 3) == 0 &&
                        Is(sqlite3_column_text(column, 4), "NOCASE");
    index.created |= Is(name, "date_created");
    index.updated |= Is(name, "date_updated");
    keys += key ? 1 : 0;
}

// Steps statement to its end, handing each row to take.
template <typename Take>
int EachRow(sqlite3_stmt* statement, Take take) {
    int result;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW) take();
    return result == SQLITE_DONE ? SQLITE_OK : result;
}

// The indexes on kind; whether one of them also holds the rows in the order
// shown. The PRAGMA statements cost far less to prepare on a fresh
// connection than their table-valued forms; a partial index is left out.
int ReadIndexes(sqlite3* db, std::string& kindIndex, bool& orderedAndCovering) {
    Statement list;
    std::vector<std::string> names;
    int result = Prepare(db, "PRAGMA main.index_list('objects')", list);
    if (result == SQLITE_OK)
        result = EachRow(list.get(), [&] {
            const unsigned char* name = sqlite3_column_text(list.get(), 1);
            if (sqlite3_column_int(list.get(), 4) == 0 && name != nullptr)
                names.emplace_back(reinterpret_cast<const char*>(name));
        });
    for (std::size_t i = 0; i < names.size() && result == SQLITE_OK; ++i) {
        std::string quoted = "'";
        for (const char c : names[i]) quoted += c == '\'' ? std::string("''") : std::string(1, c);
        Statement columns;
        IndexUse index;
        int keys = 0;
        result = Prepare(db, "PRAGMA main.index_xinfo(" + quoted + "')", columns);
        if (result == SQLITE_OK)
            result = EachRow(columns.get(), [&] { AddColumn(index, keys, columns.get()); });
        if (index.findsKind && kindIndex.empty()) kindIndex = names[i];
        orderedAndCovering |= index.ordered && index.created && index.updated;
    }
    return result;
}

// The span of the table's row ids: its row count, or more if rows were
// deleted, never less. Two look-ups at the ends of the table.
int RowIdSpan(sqlite3* db, std::string_view rowId, double& span) {
    const std::string id(rowId);
    Statement statement;
    int result = Prepare(
        db, "SELECT (SELECT max(" + id + ") FROM main.objects) - (SELECT min(" + id + ") FROM main.objects)",
        statement);
    if (result == SQLITE_OK && (result = sqlite3_step(statement.get())) == SQLITE_ROW)
        span = sqlite3_column_double(statement.get(), 0) + 1;
    return result == SQLITE_ROW ? SQLITE_OK : result;
}

// Whether the kind has fewer than limit objects: a walk through the index
// that stops at the limit, reading the index alone.
int FewerThan(sqlite3* db, const std::string& index, std::string_view kind, std::int64_t limit, bool& fewer) {
    std::string quoted = "\"";
    for (const char c : index) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    Statement probe;
    int result = Prepare(
        db, "SELECT 1 FROM main.objects INDEXED BY " + quoted + "\" WHERE kind = ?1 COLLATE BINARY LIMIT ?2",
        probe);
    if (result == SQLITE_OK)
        result = sqlite3_bind_text(probe.get(), 1, kind.data(), static_cast<int>(kind.size()), SQLITE_STATIC);
    if (result == SQLITE_OK) result = sqlite3_bind_int64(probe.get(), 2, limit);
    std::int64_t found = 0;
    while (result == SQLITE_OK && (result = sqlite3_step(probe.get())) == SQLITE_ROW)
        ++found, result = SQLITE_OK;
    fewer = found < limit;
    return result == SQLITE_DONE ? SQLITE_OK : result;
}

}  // namespace

int ChooseReadPlan(sqlite3* db, std::string_view kind, std::string_view rowId, ReadPlan& plan, double& held) {
    plan = ReadPlan::kScan;
    held = 0;
    std::string kindIndex;
    bool orderedAndCovering = false;
    int result = ReadIndexes(db, kindIndex, orderedAndCovering);
    if (result != SQLITE_OK || (!orderedAndCovering && kindIndex.empty())) return result;
    bool few = false;
    if (!orderedAndCovering && (result = FewerThan(db, kindIndex, kind, kFewObjects, few)) != SQLITE_OK)
        return result;
    if (few) {
        plan = ReadPlan::kWalk;
        held = kFewObjects;
        return SQLITE_OK;
    }
    if ((result = RowIdSpan(db, rowId, held)) != SQLITE_OK || orderedAndCovering) {
        plan = ReadPlan::kWalk;
        return result;
    }
    bool rare = false;
    const double limit = std::min(held / kScanCostShare + 1, 1e18);
    result = FewerThan(db, kindIndex, kind, static_cast<std::int64_t>(limit), rare);
    if (rare) plan = ReadPlan::kWalk;
    return result;
}

}  // namespace quorbix
