#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asciicase.h"
#include "provider.h"
#include "providerresolver.h"
#include "rowset.h"

namespace dataaccess::testing {

// Rows held in memory, for tests of everything above the provider.
class MemoryRowset final : public Rowset {
public:
    MemoryRowset(std::vector<std::string> columns, std::vector<std::vector<Value>> rows)
        : columns_(std::move(columns)), rows_(std::move(rows)) {}

    std::size_t RowCount() const noexcept override { return rows_.size(); }
    std::size_t ColumnCount() const noexcept override { return columns_.size(); }
    std::string_view ColumnName(std::size_t column) const noexcept override { return columns_[column]; }
    Value Read(std::size_t row, std::size_t column) const noexcept override { return rows_[row][column]; }

private:
    std::vector<std::string> columns_;
    std::vector<std::vector<Value>> rows_;
};

// What one call of Provider::Open was given.
struct OpenCall {
    std::string source;
    int cursorType = 0;
    int lockType = 0;
    int options = 0;
};

// Records every Open and answers it with a copy of its rows, or with the
// status it was told to fail with. Text values must view storage that lives
// as long as the provider (string literals do).
class MemoryProvider final : public Provider {
public:
    MemoryProvider(std::vector<std::string> columns, std::vector<std::vector<Value>> rows)
        : columns_(std::move(columns)), rows_(std::move(rows)) {}

    void FailWith(Status status) { failure_ = std::move(status); }
    const std::vector<OpenCall>& calls() const { return calls_; }

    Status Open(std::string_view source, int cursorType, int lockType, int options,
                std::unique_ptr<Rowset>& rowset, RowsRead* /*rowsRead*/) noexcept override {
        calls_.push_back({std::string(source), cursorType, lockType, options});
        if (!failure_.ok()) return failure_;
        rowset = std::make_unique<MemoryRowset>(columns_, rows_);
        return {};
    }

private:
    std::vector<std::string> columns_;
    std::vector<std::vector<Value>> rows_;
    Status failure_;
    std::vector<OpenCall> calls_;
};

// Puts test providers in front of another resolver (or of nothing).
class MapResolver final : public ProviderResolver {
public:
    explicit MapResolver(const ProviderResolver* fallback = nullptr) : fallback_(fallback) {}

    void Add(std::string name, std::shared_ptr<Provider> provider) {
        providers_.emplace_back(std::move(name), std::move(provider));
    }

    Status Resolve(std::string_view name, std::shared_ptr<Provider>& provider) const override {
        for (const auto& [known, candidate] : providers_) {
            if (EqualsIgnoringAsciiCase(known, name)) {
                provider = candidate;
                return {};
            }
        }
        if (fallback_ != nullptr) return fallback_->Resolve(name, provider);
        return {1007, "Provider '" + std::string(name) + "' not found."};
    }

private:
    const ProviderResolver* fallback_;
    std::vector<std::pair<std::string, std::shared_ptr<Provider>>> providers_;
};

}  // namespace dataaccess::testing
