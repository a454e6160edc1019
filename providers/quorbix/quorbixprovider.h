#pragma once

#include <memory>
#include <string_view>

#include "dataaccess_api.h"

namespace quorbix {

// Opens the catalog of forms, queries or reports kept in an SQLite file.
//
// The source string is "Kind;database": the kind is Form, Query or Report,
// the database the path of the file. The provider only ever reads, and
// always hands back a static snapshot, whatever cursor type is asked for.
class QuorbixProvider final : public dataaccess::Provider {
public:
    dataaccess::Status Open(std::string_view source, int cursorType, int lockType, int options,
                            std::unique_ptr<dataaccess::Rowset>& rowset,
                            dataaccess::RowsRead* rowsRead) noexcept override;
};

}  // namespace quorbix
