#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

// The kind every generated object has.
inline constexpr char kKind[] = "Form";

// One generated catalog, written twice: with the recommended index
// objects(kind, name COLLATE NOCASE) and without any index.
struct CatalogFiles {
    std::size_t rows = 0;
    std::string label;    // "1e3", "1e4", ...
    std::string indexed;  // absolute paths
    std::string plain;
    std::uint64_t nameBytes = 0;  // UTF-8 bytes of all names together
};

// Makes catalogs of objects of one kind in folder, one per size. Names are 8
// to 40 characters, a few of them non-ASCII; each date is ISO-8601 text, a
// Julian day (REAL) or Unix seconds (INTEGER), some at midnight. The contents
// depend only on the size, so every run reads the same data.
std::vector<CatalogFiles> MakeCatalogs(const std::filesystem::path& folder,
                                       const std::vector<std::size_t>& sizes);

// The query plan SQLite picks for the provider's row query on path, one
// detail per line.
std::string QueryPlan(const std::string& path);

}  // namespace bench
