#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

// The kind every generated object has.
inline constexpr char kKind[] = "Form";
// The kind of the few objects added to the catalog of a rare kind.
inline constexpr char kRareKind[] = "Query";
inline constexpr std::size_t kRareObjects = 10;

// The indexes a catalog is written with, each in a file of its own; the
// last is the one on kind and name with kRareObjects of another kind added.
enum class Index { Covering, Indexed, Plain, PrimaryKey, RareKind };
inline constexpr Index kIndexes[] = {Index::Covering, Index::Indexed, Index::Plain, Index::PrimaryKey,
                                     Index::RareKind};
// The first three, whose memory is measured.
inline constexpr Index kMemoryIndexes[] = {Index::Covering, Index::Indexed, Index::Plain};
// "covering", "indexed", "plain", "primarykey", "rare": as in result keys and
// the memory child's output.
const char* IndexName(Index index);
// The kind an Open of that catalog asks for.
inline const char* KindOf(Index index) { return index == Index::RareKind ? kRareKind : kKind; }

// One generated catalog, written five times: with the covering index the
// README recommends, objects(kind, name COLLATE NOCASE, date_created,
// date_updated); with the plain index objects(kind, name COLLATE NOCASE);
// without any index; as a table whose only index is its PRIMARY KEY(kind,
// name), BINARY as most tools make it; and with the plain index and
// kRareObjects objects of kRareKind added.
struct CatalogFiles {
    std::size_t rows = 0;
    std::string label;     // "1e3", "1e4", ...
    std::string covering;  // absolute paths
    std::string indexed;
    std::string plain;
    std::string primaryKey;
    std::string rare;
    const std::string& Path(Index index) const {
        switch (index) {
            case Index::Covering:
                return covering;
            case Index::Indexed:
                return indexed;
            case Index::PrimaryKey:
                return primaryKey;
            case Index::RareKind:
                return rare;
            default:
                return plain;
        }
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
