#include <string>

#include "internal.h"
#include "recordset.h"

namespace dataaccess {
Status Fields::Item(std::string_view name, Field& field) const {
    if (recordset_ == nullptr || !recordset_->IsOpen()) {
        return errors::Closed();
    }
    const Rowset& rowset = *recordset_->rowset_;
    for (std::size_t column = 0; column < rowset.ColumnCount(); ++column) {
        if (EqualsIgnoringAsciiCase(rowset.ColumnName(column), name)) {
            field = Field(*recordset_, column);
            return {};
        }
    }
    return {errors::kFieldNotFound, "The record set has no field named '" + std::string(name) + "'."};
}

}  // namespace dataaccess
