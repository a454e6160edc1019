#include "floor.h"

#include <sqlite3.h>

#include <bit>
#include <stdexcept>

#include "catalogreader.h"

namespace bench {

std::uint64_t FloorOpen(const std::string& path, std::string_view kind) {
    // The settings of quorbix::CatalogReader::Connect, one for one.
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        sqlite3_close_v2(db);
        throw std::runtime_error("floor: cannot open " + path);
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, static_cast<int*>(nullptr));
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, static_cast<int*>(nullptr));
    sqlite3_busy_timeout(db, quorbix::CatalogReader::kBusyTimeoutMilliseconds);
    sqlite3_exec(db, "PRAGMA query_only = 1; PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);

    sqlite3_stmt* rows = nullptr;
    if (sqlite3_prepare_v2(db, kFloorQuery, -1, &rows, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        throw std::runtime_error("floor: cannot prepare the row query on " + path);
    }
    sqlite3_bind_text(rows, 1, kind.data(), static_cast<int>(kind.size()), SQLITE_STATIC);

    std::uint64_t sum = 0;
    while (sqlite3_step(rows) == SQLITE_ROW) {
        for (int column = 1; column <= 3; ++column) {
            switch (sqlite3_column_type(rows, column)) {
                case SQLITE_INTEGER:
                    sum += static_cast<std::uint64_t>(sqlite3_column_int64(rows, column));
                    break;
                case SQLITE_FLOAT:
                    sum += std::bit_cast<std::uint64_t>(sqlite3_column_double(rows, column));
                    break;
                case SQLITE_TEXT: {
                    const unsigned char* text = sqlite3_column_text(rows, column);
                    sum += static_cast<std::uint64_t>(sqlite3_column_bytes(rows, column)) + text[0];
                    break;
                }
                default:
                    break;
            }
        }
    }
    sqlite3_finalize(rows);
    sqlite3_close_v2(db);
    return sum;
}

}  // namespace bench
