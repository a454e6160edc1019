#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess_api.h"

namespace quorbix {

// The rows of one Open: an in-memory snapshot with the fields Name,
// DateCreated and DateUpdated, filled once by the reader and then only read.
//
// Catalogs can hold millions of rows, so nothing is kept per cell on the heap
// and nothing once stored is ever moved: a growing vector would copy every
// row at each doubling and hold twice the rows at its peak. Rows go into
// fixed blocks of kRowsPerBlock; each row is the end offset of its name in
// the name arena (4 bytes), the payloads of both dates (8 bytes each) and
// one byte with the kinds of all three cells: 21 bytes a row beyond the name.
// Names lie back to back in chunks of at least kChunkBytes, so a name's
// length is where it ends less where the previous one ended; a number used
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

    // Gives back the slack of the small index vectors once all rows are in.
    void FinishLoading();

private:
    // What a cell holds; a row's tag keeps the name's in its low two bits
    // (Null to Real) and each date's in three bits above them.
    enum class Kind : std::uint8_t { Null, Text, Integer, Real, Date, UnixSeconds, JulianDay };

    struct Block {
        std::uint32_t nameEnd[kRowsPerBlock];
        std::uint64_t dates[2][kRowsPerBlock];
        std::uint8_t tags[kRowsPerBlock];
    };

    // Chunks of bytes that never move once allocated.
    class Arena {
    public:
        // Room for size bytes at the end of the last chunk, or at the start of
        // a new one when they do not fit there.
        char* Take(std::size_t size);
        std::size_t Chunks() const noexcept { return chunks_.size(); }
        const char* Chunk(std::size_t index) const noexcept { return chunks_[index].get(); }
        std::size_t Used() const noexcept { return used_; }  // bytes of the last chunk
        void Shrink() { chunks_.shrink_to_fit(); }

    private:
        std::vector<std::unique_ptr<char[]>> chunks_;
        std::size_t capacity_ = 0;  // of the last chunk
        std::size_t used_ = 0;
    };

    void Append(Kind kind, std::uint64_t payload);
    void AppendName(Kind kind, std::string_view bytes);
    std::string_view Name(std::size_t row) const noexcept;
    std::uint32_t NameEnd(std::size_t row) const noexcept {
        return blocks_[row / kRowsPerBlock]->nameEnd[row % kRowsPerBlock];
    }

    std::vector<std::unique_ptr<Block>> blocks_;
    std::size_t rows_ = 0;
    std::size_t column_ = 0;  // the next cell's
    Arena names_;
    // The first row whose name lies in each name chunk, in order.
    std::vector<std::size_t> chunkFirstRow_;
    Arena texts_;
    dataaccess::RowsRead* rowsRead_;
};

}  // namespace quorbix
