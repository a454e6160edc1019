#include "quorbixprovider.h"

#include <exception>
#include <new>

#include "catalog.h"
#include "catalogreader.h"
#include "dataaccess_api.h"
#include "databasepath.h"
#include "quorbixerrors.h"
#include "sourcestring.h"

namespace quorbix {

namespace {

dataaccess::Status OpenCatalog(std::string_view source, int lockType,
                               std::unique_ptr<dataaccess::Rowset>& rowset, dataaccess::RowsRead* rowsRead) {
    // A lock type that would let the caller write is refused rather than
    // quietly downgraded: the caller would otherwise believe edits possible.
    if (lockType == dataaccess::adLockPessimistic || lockType == dataaccess::adLockOptimistic ||
        lockType == dataaccess::adLockBatchOptimistic) {
        return {errors::kReadOnly,
                "The provider is read-only: open the catalog with the read-only lock type (adLockReadOnly)."};
    }

    SourceString parsed;
    if (auto status = SourceString::Parse(source, parsed); !status.ok()) return status;
    DatabasePath path;
    if (auto status = DatabasePath::Resolve(parsed.database(), path); !status.ok()) return status;
    if (auto status = path.CheckRegularFile(); !status.ok()) return status;

    auto catalog = std::make_unique<Catalog>(rowsRead);
    CatalogReader reader(path.absolute());
    if (auto status = reader.Read(parsed.kind(), *catalog); !status.ok()) return status;
    rowset = std::move(catalog);
    return {};
}

}  // namespace

dataaccess::Status QuorbixProvider::Open(std::string_view source, int /*cursorType*/, int lockType,
                                         int /*options*/, std::unique_ptr<dataaccess::Rowset>& rowset,
                                         dataaccess::RowsRead* rowsRead) noexcept {
    // Open must not throw. Allocation is what throws in practice; by the time
    // std::bad_alloc arrives here the partial catalog has been freed, so there
    // is room again for the short message. Any other exception from the
    // standard library (std::length_error, say) is reported, never let out.
    try {
        return OpenCatalog(source, lockType, rowset, rowsRead);
    } catch (const std::bad_alloc&) {
        return {errors::kOutOfMemory, "Out of memory while reading the catalog."};
    } catch (const std::exception& error) {
        return {errors::kInternalError, std::string("The catalog could not be read: ") + error.what() + "."};
    }
}

}  // namespace quorbix
