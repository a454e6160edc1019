#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "dataaccess_api.h"

// The layer's record-set interface: what the program browses with.
namespace dataaccess {

class Recordset;

// Finds the provider a connection string names. The program hands one to
// every record set it creates; tests hand in their own to put test providers
// in front of the plug-in lookup.
class ProviderResolver {
public:
    virtual ~ProviderResolver() = default;

    // name is as the connection string spells it; names are case-insensitive.
    virtual Status Resolve(std::string_view name, std::shared_ptr<Provider>& provider) const = 0;
};

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
