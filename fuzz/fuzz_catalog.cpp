// The provider opening arbitrary bytes as a catalog database, then reading
// every value of every row forward and back, as browsing would.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "dataaccess_api.h"
#include "quorbixprovider.h"

namespace {

// One file for the whole run, rewritten for each input, and removed with
// SQLite's WAL files when the run ends.
class ScratchDatabase {
public:
    ScratchDatabase() {
        const int fd = mkstemp(path_.data());
        if (fd < 0) abort();
        close(fd);
    }
    ~ScratchDatabase() {
        unlink(path_.c_str());
        RemoveWalFiles();
    }
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    // An input that is a WAL-mode database leaves SQLite's files behind;
    // they must not leak into the next input.
    void RemoveWalFiles() const {
        unlink((path_ + "-wal").c_str());
        unlink((path_ + "-shm").c_str());
    }
    const std::string& path() const { return path_; }

private:
    std::string path_ = "/tmp/fuzz-catalog-XXXXXX";
};

volatile unsigned char sink;

void Touch(const dataaccess::Value& value) {
    switch (value.kind()) {
        case dataaccess::Value::Kind::Text:
            for (const char c : value.AsText()) sink = static_cast<unsigned char>(sink ^ c);
            break;
        case dataaccess::Value::Kind::Date:
            // Providers deliver only dates of the years 1 to 9999.
            if (value.AsDate().year < 1 || value.AsDate().year > 9999) abort();
            break;
        default:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the kind, the rest is the file.
    if (size < 1) return 0;
    static constexpr const char* kKinds[] = {"Form;", "Query;", "Report;"};
    static const ScratchDatabase scratch;
    const std::string& path = scratch.path();
    scratch.RemoveWalFiles();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) abort();
    if (size > 1 && std::fwrite(data + 1, 1, size - 1, file) != size - 1) abort();
    std::fclose(file);

    quorbix::QuorbixProvider provider;
    std::unique_ptr<dataaccess::Rowset> rowset;
    const dataaccess::Status status =
        provider.Open(std::string(kKinds[data[0] % 3]) + path, 3 /* static */, dataaccess::adLockReadOnly,
                      dataaccess::adCmdUnspecified, rowset, nullptr);
    if (!status.ok()) {
        // Every failure is one of the provider's numbered errors.
        if (status.number < 2000 || status.number > 2999 || status.description.empty() || rowset) abort();
        return 0;
    }
    for (std::size_t row = 0; row < rowset->RowCount(); ++row) {
        for (std::size_t column = 0; column < rowset->ColumnCount(); ++column)
            Touch(rowset->Read(row, column));
    }
    for (std::size_t row = rowset->RowCount(); row-- > 0;) {
        for (std::size_t column = 0; column < rowset->ColumnCount(); ++column)
            Touch(rowset->Read(row, column));
    }
    return 0;
}
