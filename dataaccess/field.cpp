#include <cassert>

#include "internal.h"
#include "recordset.h"

namespace dataaccess {

Status Field::Value(dataaccess::Value& value) const {
    if (recordset_ == nullptr || !recordset_->IsOpen()) {
        return errors::Closed();
    }
    if (!recordset_->OnRow()) {
        return {errors::kNoCurrentRow, "Either BOF or EOF is true: there is no current row to read."};
    }
    // Rowset::Read trusts its caller with both bounds: the row is checked
    // above, the column was found among the rowset's own when the field was
    // made, and a record set never changes its rowset once open.
    assert(column_ < recordset_->rowset_->ColumnCount());
    value = recordset_->rowset_->Read(static_cast<std::size_t>(recordset_->position_), column_);
    return {};
}

}  // namespace dataaccess
