#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess_api.h"

namespace quorbix {

// The rows of one Open: an in-memory snapshot with the fields Name,
// DateCreated and DateUpdated, filled once by the reader and then only read.
//
// Catalogs can hold millions of rows, so nothing is kept per cell on the heap
// and nothing once stored is copied as the catalog grows: a growing vector
// would copy every row at each doubling and hold twice the rows at its peak.
// Rows go into fixed blocks of kRowsPerBlock; each row is where its name lies
// in the name arena (5 bytes), the payloads of both dates (8 bytes each) and
// one byte with the kinds of all three cells: 22 bytes a row, plus the
// name's length in front of it, one byte for a name under 128 bytes. Names
// lie back to back in the order they were appended, so where a name lies
// also says when its row came (until OrderByRowId moves rows). A number used
// as a name keeps its 8 bytes there too. Text in a date column, which is
// rare, goes to a second arena with its length in front, and the date's
// payload says where.
//
// Instants (Unix seconds, Julian days) are stored as read and turned into
// local time by Read, which keeps loading as fast as a bare query loop.
class Catalog final : public dataaccess::Rowset {
public:
    static constexpr std::size_t kColumns = 3;
    static constexpr std::size_t kRowsPerBlock = 4096;
    static constexpr std::size_t kChunkBytes = std::size_t{256} * 1024;

    // rowsRead, when not null, follows the number of rows appended.
    explicit Catalog(dataaccess::RowsRead* rowsRead = nullptr) noexcept : rowsRead_(rowsRead) {}
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    std::size_t RowCount() const noexcept override { return rows_; }
    std::size_t ColumnCount() const noexcept override { return kColumns; }
    std::string_view ColumnName(std::size_t column) const noexcept override;
    dataaccess::Value Read(std::size_t row, std::size_t column) const noexcept override;

    // Loading: cells are appended row by row, left to right. Each may throw
    // std::bad_alloc; a catalog left part-filled by a failure is discarded.
    // The name, the first cell of a row, is null, text or a number; the
    // three kinds of date below belong to the date columns only.
    void AppendNull();
    void AppendText(std::string_view text);
    void AppendInteger(std::int64_t number);
    void AppendReal(double number);
    void AppendDate(const dataaccess::DateTime& date);  // wall-clock, shown as is
    void AppendUnixSeconds(std::int64_t seconds);       // UTC instant
    void AppendJulianDay(double day);                   // UTC instant

    // Whether the last row's name equals the one before it, as SortByName
    // compares names. Needs two rows.
    bool LastNameRepeats() const noexcept;
    // Puts rows first to first + rowIds.size() - 1 in the order of their row
    // ids, rowIds[i] being row first + i's. Throws std::bad_alloc.
    void OrderByRowId(std::size_t first, std::span<const std::int64_t> rowIds);

    // Puts the rows in SQLite's order for ORDER BY name COLLATE NOCASE, with
    // rows of equal names in the order they were appended: nulls first, then
    // numbers by value, then text by SQLite's own NOCASE comparison. In place:
    // it needs no memory beyond what the rows already hold.
    void SortByName() noexcept;

    // The bytes the rows and their values hold, which the reader bounds.
    std::uint64_t StoredBytes() const noexcept {
        return blocks_.size() * sizeof(Block) + names_.Bytes() + texts_.Bytes();
    }

    // SQLite's order of two names under ORDER BY name COLLATE NOCASE: below,
    // equal to or above zero. A name is its SQLite type (SQLITE_NULL to
    // SQLITE_BLOB) and its bytes: a number's 8 bytes, text or a BLOB as stored.
    static int CompareNames(int leftType, std::string_view left, int rightType,
                            std::string_view right) noexcept;

    // Gives back the slack of the small index vectors once all rows are in.
    void FinishLoading();

private:
    // What a cell holds; a row's tag keeps the name's in its low two bits
    // (Null to Real) and each date's in three bits above them.
    enum class Kind : std::uint8_t { Null, Text, Integer, Real, Date, UnixSeconds, JulianDay };

    // Packed: at 10^6 rows every byte of a row is a megabyte.
    struct [[gnu::packed]] Row {
        std::uint64_t dates[2];
        std::uint64_t nameAt : 40;  // where the name's length lies in names_
        std::uint64_t tag : 8;
    };
    static_assert(sizeof(Row) == 22);
    struct Block {
        Row rows[kRowsPerBlock];
    };
    class RowIterator;

    // Bytes that never move once handed out, in chunks of kChunkBytes, or of
    // a longer value's size, each alone in its chunk. Where a value lies is
    // one number, its chunk times kChunkBytes plus its place in the chunk.
    class Arena {
    public:
        static constexpr std::uint64_t kLimit = std::uint64_t{1} << 40;  // what Row::nameAt holds
        // Room for size bytes; where it lies. Throws std::bad_alloc past kLimit.
        std::uint64_t Take(std::size_t size);
        char* At(std::uint64_t at) const noexcept {
            return chunks_[at / kChunkBytes].get() + at % kChunkBytes;
        }
        void Shrink() { chunks_.shrink_to_fit(); }
        std::uint64_t Bytes() const noexcept { return bytes_; }  // of all chunks

    private:
        std::vector<std::unique_ptr<char[]>> chunks_;
        std::uint64_t end_ = 0;  // the first place not handed out
        std::uint64_t bytes_ = 0;
    };

    void Append(Kind kind, std::uint64_t payload);
    void AppendName(Kind kind, std::string_view bytes);
    std::string_view Name(const Row& row) const noexcept;
    dataaccess::Value ReadDate(Kind kind, std::uint64_t payload) const noexcept;
    bool NameBefore(const Row& left, const Row& right) const noexcept;
    static int NameType(const Row& row) noexcept;
    // The sort's first pass, by type and the first two bytes of text.
    static constexpr std::size_t kBuckets = 4 + 229 * 257;
    std::uint16_t Bucket(const Row& row) const noexcept;
    // Moves the rows into their buckets, in bucket order; where each bucket
    // ends. Throws std::bad_alloc. Needs fewer than 2^32 rows.
    std::vector<std::uint32_t> PlaceInBuckets();

    std::vector<std::unique_ptr<Block>> blocks_;
    std::size_t rows_ = 0;
    std::size_t column_ = 0;  // the next cell's
    Arena names_;
    Arena texts_;
    dataaccess::RowsRead* rowsRead_;
};

}  // namespace quorbix
