#pragma once

#include <memory>
#include <string_view>

#include "rowset.h"
#include "status.h"

namespace dataaccess {

// A data provider: turns a source string into a rowset. Providers live in
// plug-in modules (see PluginResolver) or, in tests, anywhere a resolver
// finds them. Open must not throw: every failure comes back as a Status with
// the provider's own number (2000-2999) and a description for the user.
class Provider {
public:
    virtual ~Provider() = default;

    // source, cursorType, lockType and options are exactly what the caller
    // gave Recordset::Open. On success, rowset holds the rows.
    virtual Status Open(std::string_view source, int cursorType, int lockType, int options,
                        std::unique_ptr<Rowset>& rowset) noexcept = 0;
};

// A provider module exports one function under this name, with C linkage,
// that makes a new provider (or returns null when it cannot):
//     extern "C" dataaccess::Provider* vantril_create_provider();
// The layer owns the result and deletes it through the virtual destructor.
inline constexpr char kCreateProviderSymbol[] = "vantril_create_provider";
using CreateProviderFunction = Provider* (*)();

}  // namespace dataaccess
