#pragma once

#include <cstddef>
#include <string_view>

#include "value.h"

namespace dataaccess {

// What a provider hands back from a successful Open: an immutable snapshot of
// rows, read at any position in any order. The record set keeps the cursor;
// the rowset only answers reads, so it needs no locking and holds no
// connection to the database.
class Rowset {
public:
    virtual ~Rowset() = default;

    virtual std::size_t RowCount() const noexcept = 0;
    virtual std::size_t ColumnCount() const noexcept = 0;
    // Field names, as the caller looks them up (case-insensitively).
    virtual std::string_view ColumnName(std::size_t column) const noexcept = 0;
    // row < RowCount() and column < ColumnCount(); the caller guarantees it.
    // A Text value views storage owned by this rowset.
    virtual Value Read(std::size_t row, std::size_t column) const noexcept = 0;
};

}  // namespace dataaccess
