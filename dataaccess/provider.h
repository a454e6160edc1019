#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

#include "rowset.h"
#include "status.h"

namespace dataaccess {

// How many rows a provider has read so far while an Open runs, for a caller
// on another thread to show progress. Only the provider writes it.
using RowsRead = std::atomic<std::uint64_t>;

// A data provider: turns a source string into a rowset. Providers live in
// plug-in modules (see PluginResolver) or, in tests, anywhere a resolver
// finds them. Open must not throw: every failure comes back as a Status with
// the provider's own number (2000-2999) and a description for the user.
class Provider {
public:
    virtual ~Provider() = default;

    // source, cursorType, lockType and options are exactly what the caller
    // gave Recordset::Open. On success, rowset holds the rows. rowsRead, when
    // not null, is kept at the count of rows read so far.
    virtual Status Open(std::string_view source, int cursorType, int lockType, int options,
                        std::unique_ptr<Rowset>& rowset, RowsRead* rowsRead) noexcept = 0;
};

// A provider module exports one function under this name, with C linkage,
// that makes a new provider (or returns null when it cannot):
//     extern "C" dataaccess::Provider* vantril_create_provider();
// The layer owns the result and deletes it through the virtual destructor.
inline constexpr char kCreateProviderSymbol[] = "vantril_create_provider";
using CreateProviderFunction = Provider* (*)();

}  // namespace dataaccess
