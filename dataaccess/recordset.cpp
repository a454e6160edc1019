#include "recordset.h"

#include <new>
#include <string>

#include "internal.h"

namespace dataaccess {
Recordset::Recordset(const ProviderResolver& resolver) noexcept : resolver_(&resolver) {}

Status Recordset::Open(std::string_view source, std::string_view activeConnection, int cursorType,
                       int lockType, int options) {
    if (IsOpen()) {
        return {errors::kAlreadyOpen, "The operation is not allowed when the record set is already open."};
    }
    try {
        std::string name;
        if (Status status = ProviderFromConnectionString(activeConnection, name); !status.ok()) return status;

        std::shared_ptr<Provider> provider;
        if (Status status = resolver_->Resolve(name, provider); !status.ok()) return status;

        std::unique_ptr<Rowset> rowset;
        if (Status status = provider->Open(source, cursorType, lockType, options, rowset, rowsRead_);
            !status.ok()) {
            return status;
        }
        if (rowset == nullptr) {
            return {errors::kProviderLoadFailed,
                    "The provider '" + name + "' reported success but returned no rows."};
        }
        provider_ = std::move(provider);
        rowset_ = std::move(rowset);
        position_ = 0;
        return {};
    } catch (const std::bad_alloc&) {
        return {errors::kOutOfMemory, "Out of memory while opening the record set."};
    }
}

bool Recordset::OnRow() const noexcept {
    return position_ >= 0 && static_cast<std::size_t>(position_) < rowset_->RowCount();
}

Status Recordset::BOF(bool& beforeFirst) const {
    if (!IsOpen()) return errors::Closed();
    beforeFirst = position_ < 0 || rowset_->RowCount() == 0;
    return {};
}

Status Recordset::EOF_(bool& afterLast) const {
    if (!IsOpen()) return errors::Closed();
    afterLast = position_ >= static_cast<std::ptrdiff_t>(rowset_->RowCount());
    return {};
}

Status Recordset::MoveNext() {
    bool afterLast = false;
    if (Status status = EOF_(afterLast); !status.ok()) return status;
    if (afterLast)
        return {errors::kNoCurrentRow, "Cannot move next: the record set is already after its last row."};
    ++position_;
    return {};
}

Status Recordset::MovePrevious() {
    bool beforeFirst = false;
    if (Status status = BOF(beforeFirst); !status.ok()) return status;
    if (beforeFirst) {
        return {errors::kNoCurrentRow,
                "Cannot move previous: the record set is already before its first row."};
    }
    --position_;
    return {};
}

Status Recordset::Fields(dataaccess::Fields& fields) const {
    if (!IsOpen()) return errors::Closed();
    fields = dataaccess::Fields(*this);
    return {};
}

}  // namespace dataaccess
