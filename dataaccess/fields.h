#pragma once

#include <cstddef>
#include <string_view>

#include "status.h"

namespace dataaccess {

class Field;
class Recordset;

// The fields of a record set's current row. A light handle: it refers to the
// record set, which must outlive it.
class Fields {
public:
    Fields() noexcept = default;

    // Looks a field up by name, case-insensitively.
    Status Item(std::string_view name, Field& field) const;

private:
    friend class Recordset;
    explicit Fields(const Recordset& recordset) noexcept : recordset_(&recordset) {}

    const Recordset* recordset_ = nullptr;
};

}  // namespace dataaccess
