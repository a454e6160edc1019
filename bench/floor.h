#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace bench {

// The floor an Open is measured against: what a bare program must do to read
// the same rows. It opens the file with the provider's own connection
// settings, runs the provider's own row query with sqlite3_prepare_v2 and
// sqlite3_step, reads the three columns (name and both dates) into nothing,
// and closes the file. No schema checks, no copies, no transaction.
//
// Returns a checksum of what it read, so that nothing can be left out.
std::uint64_t FloorOpen(const std::string& path, std::string_view kind);

}  // namespace bench
