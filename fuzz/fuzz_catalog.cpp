// The provider opening arbitrary bytes as a catalog, then reading every value of every row.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "dataaccess_api.h"
#include "quorbixprovider.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the kind, the rest is the file.
    if (size < 1) return 0;
    static constexpr const char* kKinds[] = {"Form;", "Query;", "Report;"};
    // One file for the whole run, in a folder removed at its end. A WAL-mode
    // input leaves SQLite's files, which must not reach the next input.
    static const std::string path = [] {
        static char folder[] = "/tmp/fuzz-catalog-XXXXXX";
        if (mkdtemp(folder) == nullptr || std::atexit([] { std::filesystem::remove_all(folder); }) != 0)
            abort();
        return std::string(folder) + "/c.db";
    }();
    for (const char* sidecar : {"-wal", "-shm"}) unlink((path + sidecar).c_str());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data + 1, 1, size - 1, file) != size - 1 || std::fclose(file) != 0)
        abort();

    std::unique_ptr<dataaccess::Rowset> rowset;
    const dataaccess::Status status = quorbix::QuorbixProvider().Open(
        std::string(kKinds[data[0] % 3]) + path, dataaccess::adOpenUnspecified, dataaccess::adLockReadOnly,
        dataaccess::adCmdUnspecified, rowset, nullptr);
    if (!status.ok()) {
        // Every failure is one of the provider's numbered errors.
        if (status.number < 2000 || status.number > 2999 || status.description.empty() || rowset) abort();
        return 0;
    }
    // Forward, then back, as browsing would; text byte by byte, so that a view past its storage
    // shows up. Providers deliver only dates of the years 1 to 9999.
    static volatile char sink;
    for (std::size_t step = 0; step < 2 * rowset->RowCount(); ++step) {
        const std::size_t row = step < rowset->RowCount() ? step : 2 * rowset->RowCount() - 1 - step;
        for (std::size_t column = 0; column < rowset->ColumnCount(); ++column) {
            const dataaccess::Value value = rowset->Read(row, column);
            using Kind = dataaccess::Value::Kind;
            if (value.kind() == Kind::Text)
                for (const char c : value.AsText()) sink = c;
            if (value.kind() == Kind::Date && (value.AsDate().year < 1 || value.AsDate().year > 9999))
                abort();
        }
    }
    return 0;
}
