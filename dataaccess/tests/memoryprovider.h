#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess_api.h"
#include "recordset.h"

namespace dataaccess::testing {

using Rows = std::vector<std::vector<Value>>;

struct MemoryRowset final : Rowset {
    MemoryRowset(std::vector<std::string> names, Rows values)
        : columns(std::move(names)), rows(std::move(values)) {}

    std::vector<std::string> columns;
    Rows rows;

    std::size_t RowCount() const noexcept override { return rows.size(); }
    std::size_t ColumnCount() const noexcept override { return columns.size(); }
    std::string_view ColumnName(std::size_t column) const noexcept override { return columns[column]; }
    Value Read(std::size_t row, std::size_t column) const noexcept override { return rows[row][column]; }
};

struct OpenCall {
    std::string source;
    int cursorType, lockType, options;
};

// Answers every Open with a copy of its rows, or with the failure it was
// given, and notes what it was asked. Text values must view storage that
// outlives the provider (string literals do).
class MemoryProvider final : public Provider {
public:
    MemoryProvider(std::vector<std::string> columns, Rows rows)
        : rows_(std::move(columns), std::move(rows)) {}

    void FailWith(Status status) { failure_ = std::move(status); }
    const std::vector<OpenCall>& calls() const { return calls_; }

    Status Open(std::string_view source, int cursorType, int lockType, int options,
                std::unique_ptr<Rowset>& rowset, RowsRead* /*rowsRead*/) noexcept override {
        calls_.push_back({std::string(source), cursorType, lockType, options});
        if (failure_.ok()) rowset = std::make_unique<MemoryRowset>(rows_);
        return failure_;
    }

private:
    MemoryRowset rows_;
    Status failure_;
    std::vector<OpenCall> calls_;
};

// Gives the providers it was handed, by their exact names.
class MapResolver final : public ProviderResolver {
public:
    void Add(std::string name, std::shared_ptr<Provider> provider) {
        providers_[std::move(name)] = std::move(provider);
    }

    Status Resolve(std::string_view name, std::shared_ptr<Provider>& provider) const override {
        const auto found = providers_.find(name);
        if (found == providers_.end()) return {1007, "Provider '" + std::string(name) + "' not found."};
        provider = found->second;
        return {};
    }

private:
    std::map<std::string, std::shared_ptr<Provider>, std::less<>> providers_;
};

}  // namespace dataaccess::testing
