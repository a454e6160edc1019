#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace bench {

// SQLite's own query for the rows an Open delivers, in the order it delivers
// them: ties of equal names by row id.
inline constexpr const char* kFloorQuery =
    "SELECT rowid, name, date_created, date_updated FROM main.objects "
    "WHERE kind = ?1 COLLATE BINARY ORDER BY name COLLATE NOCASE, rowid";

// The floor an Open is measured against: what a bare program must do to read
// the same rows. It opens the file with the provider's own connection
// settings, runs kFloorQuery with sqlite3_prepare_v2 and sqlite3_step, reads
// the three columns (name and both dates) into nothing, and closes the file.
// No schema checks, no copies, no transaction.
//
// Returns a checksum of what it read, so that nothing can be left out.
std::uint64_t FloorOpen(const std::string& path, std::string_view kind);

}  // namespace bench
