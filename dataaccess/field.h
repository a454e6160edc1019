#pragma once

#include <cstddef>

#include "status.h"
#include "value.h"

namespace dataaccess {

class Recordset;

// One field of a record set. It reads the row that is current when Value is
// called, so it refers to the record set, which must outlive it.
class Field {
public:
    Field() noexcept = default;

    Status Value(dataaccess::Value& value) const;

private:
    friend class Fields;
    Field(const Recordset& recordset, std::size_t column) noexcept
        : recordset_(&recordset), column_(column) {}

    const Recordset* recordset_ = nullptr;
    std::size_t column_ = 0;
};

}  // namespace dataaccess
