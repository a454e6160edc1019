// The provider opening arbitrary bytes as a catalog, then reading every value of every row.

#include <filesystem>
#include <fstream>

#include "quorbixprovider.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One file for the whole run, in a folder removed at its end. A WAL-mode input leaves SQLite's
    // files, which must not reach the next input.
    static char folder[] = "/tmp/fuzz-catalog-XXXXXX";
    // Without the folder, the path is empty and the write below fails.
    static const std::string path =
        mkdtemp(folder) != nullptr && std::atexit([] { std::filesystem::remove_all(folder); }) == 0
            ? std::string(folder) + "/c.db"
            : "";
    if (size < 1) return 0;
    std::filesystem::remove(path + "-wal"), std::filesystem::remove(path + "-shm");
    // The first byte picks the kind, the rest is the file.
    if (!std::ofstream(path, std::ios::binary)
             .write(reinterpret_cast<const char*>(data) + 1, static_cast<std::streamsize>(size) - 1)
             .flush())
        abort();
    static constexpr const char* kKinds[] = {"Form;", "Query;", "Report;"};
    std::unique_ptr<dataaccess::Rowset> rowset;
    const dataaccess::Status status = quorbix::QuorbixProvider().Open(
        kKinds[data[0] % 3] + path, -1, dataaccess::adLockReadOnly, -1, rowset, nullptr);  // -1: unspecified
    // Every failure is one of the provider's numbered errors.
    if (!status.ok() &&
        (status.number < 2000 || status.number > 2999 || status.description.empty() || rowset))
        abort();
    // Text byte by byte, so that a view past its storage shows up (fuzz_values checks the dates).
    static volatile char sink;
    for (std::size_t cell = 0; rowset && cell < 3 * rowset->RowCount(); ++cell) {
        const dataaccess::Value value = rowset->Read(cell / 3, cell % 3);
        if (value.kind() == dataaccess::Value::Kind::Text)
            for (const char c : value.AsText()) sink = c;
    }
    return 0;
}
