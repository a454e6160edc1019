#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

// The kind every generated object has.
inline constexpr char kKind[] = "Form";

// The indexes a catalog is written with, each in a file of its own.
enum class Index { Covering, Indexed, Plain };
inline constexpr Index kIndexes[] = {Index::Covering, Index::Indexed, Index::Plain};
// "covering", "indexed", "plain": as in result keys and the memory child's output.
const char* IndexName(Index index);

// One generated catalog, written three times: with the covering index the
// README recommends, objects(kind, name COLLATE NOCASE, date_created,
// date_updated); with the plain index objects(kind, name COLLATE NOCASE);
// and without any index.
struct CatalogFiles {
    std::size_t rows = 0;
    std::string label;     // "1e3", "1e4", ...
    std::string covering;  // absolute paths
    std::string indexed;
    std::string plain;
    const std::string& Path(Index index) const {
        return index == Index::Covering ? covering : index == Index::Indexed ? indexed : plain;
    }
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
