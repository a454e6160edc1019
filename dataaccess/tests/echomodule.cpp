// A provider module for the plug-in loader's tests: it answers every Open
// with one row holding the source it was given.
#include <memory>
#include <string>

#include "dataaccess_api.h"

namespace {

class EchoRowset final : public dataaccess::Rowset {
public:
    explicit EchoRowset(std::string_view source) : source_(source) {}
    std::size_t RowCount() const noexcept override { return 1; }
    std::size_t ColumnCount() const noexcept override { return 1; }
    std::string_view ColumnName(std::size_t) const noexcept override { return "Source"; }
    dataaccess::Value Read(std::size_t, std::size_t) const noexcept override {
        return dataaccess::Value::Text(source_);
    }

private:
    std::string source_;
};

class EchoProvider final : public dataaccess::Provider {
public:
    dataaccess::Status Open(std::string_view source, int, int, int,
                            std::unique_ptr<dataaccess::Rowset>& rowset,
                            dataaccess::RowsRead*) noexcept override {
        rowset = std::make_unique<EchoRowset>(source);
        return {};
    }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) dataaccess::Provider* vantril_create_provider() {
    return new EchoProvider;
}
