#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "provider.h"
#include "providerresolver.h"
#include "rowset.h"
#include "status.h"

namespace dataaccess {

class Fields;

// A cursor over the rows a provider returns. Created unopened; Open asks the
// provider named by the connection string for a snapshot, and the cursor
// then moves over it in either direction.
//
// Position: -1 is before the first row (BOF), RowCount() after the last
// (EOF), anything between is a row. An empty record set has both flags true.
// Every operation reports a Status; none throws.
class Recordset {
public:
    // The resolver must outlive the record set.
    explicit Recordset(const ProviderResolver& resolver) noexcept;

    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Opens on the first row, if there is one. source, cursorType, lockType
    // and options reach the provider unchanged.
    Status Open(std::string_view source, std::string_view activeConnection, int cursorType, int lockType,
                int options);
    // Lets a caller watch a long Open from another thread: the provider keeps
    // counter at the number of rows it has read. Set before Open; counter
    // must outlive the Open.
    void CountRowsReadIn(RowsRead* counter) noexcept { rowsRead_ = counter; }

    Status BOF(bool& beforeFirst) const;
    Status EOF_(bool& afterLast) const;  // EOF is a macro of <cstdio>
    Status MoveNext();
    Status MovePrevious();
    Status Fields(dataaccess::Fields& fields) const;

private:
    friend class Field;
    friend class Fields;

    bool IsOpen() const noexcept { return rowset_ != nullptr; }
    bool OnRow() const noexcept;

    const ProviderResolver* resolver_;
    // Declared before the rowset so that the rowset, whose code lives in the
    // provider's module, is destroyed while the provider still holds it.
    std::shared_ptr<Provider> provider_;
    std::unique_ptr<Rowset> rowset_;
    std::ptrdiff_t position_ = -1;
    RowsRead* rowsRead_ = nullptr;
};

}  // namespace dataaccess
