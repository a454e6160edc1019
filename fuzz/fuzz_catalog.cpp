// The provider opening arbitrary bytes as a catalog database, then reading
// every value of every row forward and back, as browsing would.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "openoptions.h"
#include "quorbixprovider.h"

namespace {

// One file for the whole run, rewritten for each input. A WAL-mode input
// leaves SQLite's files beside it, which must not reach the next input.
struct Scratch {
    std::string path = "/tmp/fuzz-catalog-XXXXXX";
    Scratch() {
        const int fd = mkstemp(path.data());
        if (fd < 0) abort();
        close(fd);
    }
    ~Scratch() { unlink(path.c_str()), RemoveWal(); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    void RemoveWal() const { unlink((path + "-wal").c_str()), unlink((path + "-shm").c_str()); }
};

volatile unsigned char sink;

void Touch(const dataaccess::Value& value) {
    if (value.kind() == dataaccess::Value::Kind::Text)
        for (const char c : value.AsText()) sink = static_cast<unsigned char>(sink ^ c);
    // Providers deliver only dates of the years 1 to 9999.
    if (value.kind() == dataaccess::Value::Kind::Date &&
        (value.AsDate().year < 1 || value.AsDate().year > 9999))
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the kind, the rest is the file.
    if (size < 1) return 0;
    static constexpr const char* kKinds[] = {"Form;", "Query;", "Report;"};
    static const Scratch scratch;
    scratch.RemoveWal();
    std::FILE* file = std::fopen(scratch.path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data + 1, 1, size - 1, file) != size - 1 || std::fclose(file) != 0)
        abort();

    std::unique_ptr<dataaccess::Rowset> rowset;
    const dataaccess::Status status = quorbix::QuorbixProvider().Open(
        std::string(kKinds[data[0] % 3]) + scratch.path, dataaccess::adOpenStatic, dataaccess::adLockReadOnly,
        dataaccess::adCmdUnspecified, rowset, nullptr);
    if (!status.ok()) {
        // Every failure is one of the provider's numbered errors.
        if (status.number < 2000 || status.number > 2999 || status.description.empty() || rowset) abort();
        return 0;
    }
    const auto touchRow = [&](std::size_t row) {
        for (std::size_t column = 0; column < rowset->ColumnCount(); ++column)
            Touch(rowset->Read(row, column));
    };
    for (std::size_t row = 0; row < rowset->RowCount(); ++row) touchRow(row);
    for (std::size_t row = rowset->RowCount(); row-- > 0;) touchRow(row);
    return 0;
}
