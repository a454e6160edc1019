#include "catalog.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "datetext.h"

namespace quorbix {

namespace {

using Length = std::uint32_t;

constexpr unsigned kNameBits = 2;
constexpr unsigned kDateBits = 3;

std::uint64_t Bits(std::int64_t number) { return static_cast<std::uint64_t>(number); }
std::uint64_t Bits(double number) { return std::bit_cast<std::uint64_t>(number); }

}  // namespace

char* Catalog::Arena::Take(std::size_t size) {
    if (chunks_.empty() || capacity_ - used_ < size) {
        const std::size_t capacity = std::max(kChunkBytes, size);
        // Not zeroed: every byte handed out is written before it is read.
        auto chunk = std::make_unique_for_overwrite<char[]>(capacity);
        chunks_.push_back(std::move(chunk));
        capacity_ = capacity;
        used_ = 0;
    }
    char* room = chunks_.back().get() + used_;
    used_ += size;
    return room;
}

std::string_view Catalog::ColumnName(std::size_t column) const noexcept {
    static constexpr std::string_view kNames[kColumns] = {"Name", "DateCreated", "DateUpdated"};
    return column < kColumns ? kNames[column] : std::string_view();
}

std::string_view Catalog::Name(std::size_t row) const noexcept {
    const auto after = std::upper_bound(chunkFirstRow_.begin(), chunkFirstRow_.end(), row);
    if (after == chunkFirstRow_.begin()) return {};  // no name bytes before this row
    const auto chunk = static_cast<std::size_t>(after - chunkFirstRow_.begin() - 1);
    const std::uint32_t start = row == chunkFirstRow_[chunk] ? 0 : NameEnd(row - 1);
    return {names_.Chunk(chunk) + start, NameEnd(row) - start};
}

dataaccess::Value Catalog::Read(std::size_t row, std::size_t column) const noexcept {
    const Block& block = *blocks_[row / kRowsPerBlock];
    const std::size_t slot = row % kRowsPerBlock;
    const unsigned tag = block.tags[slot];
    if (column == 0) {
        const auto kind = static_cast<Kind>(tag & ((1u << kNameBits) - 1));
        if (kind == Kind::Null) return dataaccess::Value::Null();
        const std::string_view name = Name(row);
        if (kind == Kind::Text) return dataaccess::Value::Text(name);
        std::uint64_t number;  // a number's 8 bytes, kept in the name's place
        std::memcpy(&number, name.data(), sizeof number);
        return kind == Kind::Integer ? dataaccess::Value::Integer(static_cast<std::int64_t>(number))
                                     : dataaccess::Value::Real(std::bit_cast<double>(number));
    }

    const std::uint64_t payload = block.dates[column - 1][slot];
    const unsigned shift = kNameBits + kDateBits * static_cast<unsigned>(column - 1);
    switch (static_cast<Kind>((tag >> shift) & ((1u << kDateBits) - 1))) {
        case Kind::Null:
            return dataaccess::Value::Null();
        case Kind::Text: {
            const char* entry = texts_.Chunk(payload >> 32) + (payload & 0xFFFFFFFF);
            Length length;
            std::memcpy(&length, entry, sizeof length);
            return dataaccess::Value::Text(std::string_view(entry + sizeof length, length));
        }
        case Kind::Integer:
            return dataaccess::Value::Integer(static_cast<std::int64_t>(payload));
        case Kind::Real:
            return dataaccess::Value::Real(std::bit_cast<double>(payload));
        case Kind::Date:
            return dataaccess::Value::Date(UnpackDate(payload));
        case Kind::UnixSeconds: {
            const auto seconds = static_cast<std::int64_t>(payload);
            if (const auto date = LocalDateFromUnixSeconds(seconds)) return dataaccess::Value::Date(*date);
            return dataaccess::Value::Integer(seconds);
        }
        case Kind::JulianDay: {
            const double day = std::bit_cast<double>(payload);
            if (const auto date = LocalDateFromJulianDay(day)) return dataaccess::Value::Date(*date);
            return dataaccess::Value::Real(day);
        }
    }
    return {};  // unreachable: every kind is handled above
}

void Catalog::AppendName(Kind kind, std::string_view bytes) {
    if (rows_ % kRowsPerBlock == 0) blocks_.push_back(std::make_unique_for_overwrite<Block>());
    const std::size_t row = rows_;
    if (!bytes.empty()) {
        char* room = names_.Take(bytes.size());
        std::memcpy(room, bytes.data(), bytes.size());
        if (names_.Chunks() > chunkFirstRow_.size()) chunkFirstRow_.push_back(row);
    }
    Block& block = *blocks_.back();
    // Chunks hold at most a value's size, which SQLite keeps under 2^31.
    block.nameEnd[row % kRowsPerBlock] = static_cast<std::uint32_t>(names_.Used());
    block.tags[row % kRowsPerBlock] = static_cast<std::uint8_t>(kind);
    ++rows_;
    column_ = 1;
    // A plain store: only this thread writes it, and a watcher needs no more.
    if (rowsRead_ != nullptr) rowsRead_->store(rows_, std::memory_order_relaxed);
}

void Catalog::Append(Kind kind, std::uint64_t payload) {
    if (column_ == 0) {
        // A name that is not text or a number has no bytes to keep.
        AppendName(Kind::Null, {});
        return;
    }
    const std::size_t slot = (rows_ - 1) % kRowsPerBlock;
    Block& block = *blocks_.back();
    block.dates[column_ - 1][slot] = payload;
    block.tags[slot] |=
        static_cast<std::uint8_t>(static_cast<unsigned>(kind) << (kNameBits + kDateBits * (column_ - 1)));
    column_ = column_ + 1 == kColumns ? 0 : column_ + 1;
}

void Catalog::AppendNull() { Append(Kind::Null, 0); }

void Catalog::AppendText(std::string_view text) {
    if (column_ == 0) {
        AppendName(Kind::Text, text);
        return;
    }
    // SQLite limits a value to under 2^31 bytes, so the length always fits.
    const auto length = static_cast<Length>(text.size());
    char* entry = texts_.Take(sizeof length + text.size());
    std::memcpy(entry, &length, sizeof length);
    std::memcpy(entry + sizeof length, text.data(), text.size());
    const std::uint64_t chunk = texts_.Chunks() - 1;
    const auto offset = static_cast<std::uint64_t>(texts_.Used() - sizeof length - text.size());
    Append(Kind::Text, chunk << 32 | offset);
}

void Catalog::AppendInteger(std::int64_t number) {
    if (column_ == 0) {
        const std::uint64_t bits = Bits(number);
        AppendName(Kind::Integer, std::string_view(reinterpret_cast<const char*>(&bits), sizeof bits));
        return;
    }
    Append(Kind::Integer, Bits(number));
}

void Catalog::AppendReal(double number) {
    if (column_ == 0) {
        const std::uint64_t bits = Bits(number);
        AppendName(Kind::Real, std::string_view(reinterpret_cast<const char*>(&bits), sizeof bits));
        return;
    }
    Append(Kind::Real, Bits(number));
}

void Catalog::AppendDate(const dataaccess::DateTime& date) { Append(Kind::Date, PackDate(date)); }

void Catalog::AppendUnixSeconds(std::int64_t seconds) { Append(Kind::UnixSeconds, Bits(seconds)); }

void Catalog::AppendJulianDay(double day) { Append(Kind::JulianDay, Bits(day)); }

void Catalog::FinishLoading() {
    blocks_.shrink_to_fit();
    chunkFirstRow_.shrink_to_fit();
    names_.Shrink();
    texts_.Shrink();
}

}  // namespace quorbix
