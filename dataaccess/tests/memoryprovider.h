#pragma once

#include <vector>

#include "recordset.h"

namespace dataaccess::testing {

using Rows = std::vector<std::vector<Value>>;
struct OpenCall {
    std::string source;
    int cursorType, lockType, options;
};

// Answers every Open with its rows, read in place (the layer keeps the provider as long as its rows),
// or with the failure it was given, and notes what it was asked. Text must outlive it (literals do).
class MemoryProvider final : public Provider {
public:
    MemoryProvider(std::vector<std::string> columns, Rows rows)
        : columns_(std::move(columns)), rows_(std::move(rows)) {}
    void FailWith(Status status) { failure_ = std::move(status); }
    const std::vector<OpenCall>& calls() const { return calls_; }
    Status Open(std::string_view source, int cursor, int lock, int options, std::unique_ptr<Rowset>& rowset,
                RowsRead*) noexcept override {
        calls_.push_back({std::string(source), cursor, lock, options});
        if (failure_.ok()) rowset = std::make_unique<View>(*this);
        return failure_;
    }

private:
    struct View final : Rowset {
        explicit View(const MemoryProvider& rows) : p(rows) {}
        const MemoryProvider& p;
        std::size_t RowCount() const noexcept override { return p.rows_.size(); }
        std::size_t ColumnCount() const noexcept override { return p.columns_.size(); }
        std::string_view ColumnName(std::size_t c) const noexcept override { return p.columns_[c]; }
        Value Read(std::size_t r, std::size_t c) const noexcept override { return p.rows_[r][c]; }
    };
    std::vector<std::string> columns_;
    Rows rows_;
    Status failure_;
    std::vector<OpenCall> calls_;
};

// Gives the provider it was handed last, by its exact name.
class MapResolver : public ProviderResolver {
public:
    void Add(std::string name, std::shared_ptr<Provider> provider) {
        name_ = std::move(name), provider_ = std::move(provider);
    }
    Status Resolve(std::string_view name, std::shared_ptr<Provider>& provider) const override {
        if (name != name_) return {1007, "Provider '" + std::string(name) + "' not found."};
        provider = provider_;
        return {};
    }

private:
    std::string name_;
    std::shared_ptr<Provider> provider_;
};

}  // namespace dataaccess::testing
