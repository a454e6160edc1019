// Connection strings and source strings from arbitrary bytes: parsed, and the
// database name resolved to a path and checked, never opened.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "databasepath.h"
#include "internal.h"
#include "sourcestring.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::string provider;
    if (dataaccess::ProviderFromConnectionString(input, provider).ok() && provider.empty()) abort();
    quorbix::SourceString source;
    if (!quorbix::SourceString::Parse(input, source).ok()) return 0;
    // The two parts are the source split at its first ';'.
    if (std::string(source.kind()) + ";" + std::string(source.database()) != input) abort();
    quorbix::DatabasePath path;
    if (!quorbix::DatabasePath::Resolve(source.database(), path).ok()) return 0;
    if (!path.absolute().starts_with('/')) abort();
    // Only a stat: whatever the name, nothing is opened or created.
    (void)path.CheckRegularFile();
    return 0;
}
