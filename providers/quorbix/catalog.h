#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datetime.h"
#include "rowset.h"

namespace quorbix {

// The rows of one Open: an in-memory snapshot with the fields Name,
// DateCreated and DateUpdated, filled once by the reader and then only read.
//
// Catalogs can hold a million rows, so the layout avoids anything per cell on
// the heap. Each cell is a one-byte tag plus an 8-byte payload, kept in two
// flat vectors indexed by row * kColumns + column. All text bytes live in one
// arena, each text as a 4-byte length followed by its bytes (copied with
// memcpy, so nothing is assumed about alignment); a text cell's payload is the
// offset of its length. That is 27 bytes a row plus 4 a text beyond the text
// itself.
//
// Instants (Unix seconds, Julian days) are stored as read and turned into
// local time by Read, which keeps loading as fast as a bare query loop.
class Catalog final : public dataaccess::Rowset {
public:
    static constexpr std::size_t kColumns = 3;

    std::size_t RowCount() const noexcept override { return tags_.size() / kColumns; }
    std::size_t ColumnCount() const noexcept override { return kColumns; }
    std::string_view ColumnName(std::size_t column) const noexcept override;
    dataaccess::Value Read(std::size_t row, std::size_t column) const noexcept override;

    // Loading: cells are appended row by row, left to right. Each may throw
    // std::bad_alloc; a catalog left part-filled by a failure is discarded.
    void AppendNull();
    void AppendText(std::string_view text);
    void AppendInteger(std::int64_t number);
    void AppendReal(double number);
    void AppendDate(const dataaccess::DateTime& date);  // wall-clock, shown as is
    void AppendUnixSeconds(std::int64_t seconds);       // UTC instant
    void AppendJulianDay(double day);                   // UTC instant

    // Gives back the growth slack of the vectors once all rows are in.
    void FinishLoading();

private:
    enum class Tag : std::uint8_t { Null, Text, Integer, Real, Date, UnixSeconds, JulianDay };

    void Append(Tag tag, std::uint64_t payload);

    std::vector<Tag> tags_;
    std::vector<std::uint64_t> payloads_;
    std::string arena_;
};

}  // namespace quorbix
