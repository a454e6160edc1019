#include "catalog.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cassert>
#include <compare>
#include <cstring>
#include <iterator>
#include <new>
#include <numeric>
#include <utility>

#include "datetext.h"

namespace quorbix {

namespace {

using Length = std::uint32_t;

constexpr unsigned kNameBits = 2;
constexpr unsigned kDateBits = 3;
// The most bytes a name's length takes in front of it, seven bits a byte:
// enough for any length under 2^35, and SQLite keeps values under 2^31.
constexpr std::size_t kMaxLengthBytes = 5;

unsigned NameKindBits(unsigned tag) { return tag & ((1u << kNameBits) - 1); }

std::uint64_t Bits(std::int64_t number) { return static_cast<std::uint64_t>(number); }
std::uint64_t Bits(double number) { return std::bit_cast<std::uint64_t>(number); }

// A length in seven bits a byte, low bits first, with the high bit set on
// every byte but the last; most names take one byte.
std::size_t PutLength(std::size_t length, char* to) noexcept {
    std::size_t used = 0;
    for (; length >= 0x80; length >>= 7) to[used++] = static_cast<char>(length | 0x80);
    to[used++] = static_cast<char>(length);
    return used;
}

std::string_view GetLengthAndBytes(const char* from) noexcept {
    std::size_t length = 0;
    unsigned shift = 0;
    unsigned char byte;
    do {
        byte = static_cast<unsigned char>(*from++);
        length |= static_cast<std::size_t>(byte & 0x7F) << shift;
        shift += 7;
    } while ((byte & 0x80) != 0);
    return {from, length};
}

}  // namespace

// The rows of all blocks as one sequence, for std::sort.
class Catalog::RowIterator {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = Row;
    using difference_type = std::ptrdiff_t;
    using pointer = Row*;
    using reference = Row&;

    RowIterator() = default;
    RowIterator(const std::unique_ptr<Block>* blocks, difference_type row) noexcept
        : blocks_(blocks), row_(row) {}

    reference operator*() const noexcept {
        const auto row = static_cast<std::size_t>(row_);
        return blocks_[row / kRowsPerBlock]->rows[row % kRowsPerBlock];
    }
    pointer operator->() const noexcept { return &**this; }
    reference operator[](difference_type n) const noexcept { return *(*this + n); }
    RowIterator& operator++() noexcept { return ++row_, *this; }
    RowIterator& operator--() noexcept { return --row_, *this; }
    RowIterator operator++(int) noexcept { return {blocks_, row_++}; }
    RowIterator operator--(int) noexcept { return {blocks_, row_--}; }
    RowIterator& operator+=(difference_type n) noexcept { return row_ += n, *this; }
    RowIterator& operator-=(difference_type n) noexcept { return row_ -= n, *this; }
    friend RowIterator operator+(RowIterator it, difference_type n) noexcept { return it += n; }
    friend RowIterator operator+(difference_type n, RowIterator it) noexcept { return it += n; }
    friend RowIterator operator-(RowIterator it, difference_type n) noexcept { return it -= n; }
    friend difference_type operator-(const RowIterator& a, const RowIterator& b) noexcept {
        return a.row_ - b.row_;
    }
    friend bool operator==(const RowIterator& a, const RowIterator& b) noexcept { return a.row_ == b.row_; }
    friend auto operator<=>(const RowIterator& a, const RowIterator& b) noexcept { return a.row_ <=> b.row_; }

private:
    const std::unique_ptr<Block>* blocks_ = nullptr;
    difference_type row_ = 0;
};

std::uint64_t Catalog::Arena::Take(std::size_t size) {
    const std::uint64_t chunksEnd = chunks_.size() * kChunkBytes;
    if (chunksEnd - end_ >= size) {
        const std::uint64_t at = end_;
        end_ += size;
        return at;
    }
    if (chunksEnd + kChunkBytes > kLimit) throw std::bad_alloc();
    // A value longer than a chunk gets one of exactly its size, which fills
    // its place in the offsets. Not zeroed: every byte handed out is written
    // before it is read.
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(std::max(size, kChunkBytes)));
    bytes_ += std::max(size, kChunkBytes);
    end_ = chunksEnd + std::min(size, kChunkBytes);
    return chunksEnd;
}

std::string_view Catalog::ColumnName(std::size_t column) const noexcept {
    static constexpr std::string_view kNames[kColumns] = {"Name", "DateCreated", "DateUpdated"};
    return column < kColumns ? kNames[column] : std::string_view();
}

std::string_view Catalog::Name(const Row& row) const noexcept {
    return GetLengthAndBytes(names_.At(row.nameAt));
}

dataaccess::Value Catalog::Read(std::size_t rowNumber, std::size_t column) const noexcept {
    const Row& row = blocks_[rowNumber / kRowsPerBlock]->rows[rowNumber % kRowsPerBlock];
    const auto tag = static_cast<unsigned>(row.tag);
    if (column == 0) {
        const auto kind = static_cast<Kind>(NameKindBits(tag));
        if (kind == Kind::Null) return dataaccess::Value::Null();
        const std::string_view name = Name(row);
        if (kind == Kind::Text) return dataaccess::Value::Text(name);
        std::uint64_t number;  // a number's 8 bytes, kept in the name's place
        std::memcpy(&number, name.data(), sizeof number);
        return kind == Kind::Integer ? dataaccess::Value::Integer(static_cast<std::int64_t>(number))
                                     : dataaccess::Value::Real(std::bit_cast<double>(number));
    }

    const unsigned shift = kNameBits + kDateBits * static_cast<unsigned>(column - 1);
    return ReadDate(static_cast<Kind>((tag >> shift) & ((1u << kDateBits) - 1)), row.dates[column - 1]);
}

dataaccess::Value Catalog::ReadDate(Kind kind, std::uint64_t payload) const noexcept {
    switch (kind) {
        case Kind::Null:
            return dataaccess::Value::Null();
        case Kind::Text: {
            const char* entry = texts_.At(payload);
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
    // Every name, a null's too, takes at least its length's byte, so that
    // later rows always lie further on.
    char length[kMaxLengthBytes];
    const std::size_t lengthBytes = PutLength(bytes.size(), length);
    const std::uint64_t at = names_.Take(lengthBytes + bytes.size());
    char* room = names_.At(at);
    std::memcpy(room, length, lengthBytes);
    if (!bytes.empty()) std::memcpy(room + lengthBytes, bytes.data(), bytes.size());
    Row& row = blocks_.back()->rows[rows_ % kRowsPerBlock];
    assert(at < Arena::kLimit);  // Take throws rather than pass it
    row.nameAt = at & (Arena::kLimit - 1);
    row.tag = static_cast<std::uint8_t>(kind);
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
    Row& row = blocks_.back()->rows[(rows_ - 1) % kRowsPerBlock];
    row.dates[column_ - 1] = payload;
    row.tag = static_cast<std::uint8_t>(row.tag | static_cast<unsigned>(kind)
                                                      << (kNameBits + kDateBits * (column_ - 1)));
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
    const std::uint64_t at = texts_.Take(sizeof length + text.size());
    char* entry = texts_.At(at);
    std::memcpy(entry, &length, sizeof length);
    std::memcpy(entry + sizeof length, text.data(), text.size());
    Append(Kind::Text, at);
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

int Catalog::CompareNames(int leftType, std::string_view left, int rightType,
                          std::string_view right) noexcept {
    // Types rank as SQLite ranks them: null, then numbers, then text, then BLOBs.
    const auto rank = [](int type) {
        return type == SQLITE_NULL ? 0 : type == SQLITE_TEXT ? 2 : type == SQLITE_BLOB ? 3 : 1;
    };
    if (rank(leftType) != rank(rightType)) return rank(leftType) < rank(rightType) ? -1 : 1;
    if (rank(leftType) == 1) {
        // An integer and a real compare exactly as long doubles, as in SQLite.
        const auto number = [](int type, std::string_view bytes) {
            std::uint64_t bits;
            std::memcpy(&bits, bytes.data(), sizeof bits);
            return type == SQLITE_INTEGER ? static_cast<long double>(static_cast<std::int64_t>(bits))
                                          : static_cast<long double>(std::bit_cast<double>(bits));
        };
        const long double a = number(leftType, left);
        const long double b = number(rightType, right);
        return a < b ? -1 : a > b ? 1 : 0;
    }
    if (rank(leftType) == 0) return 0;
    // SQLite's NOCASE for text, memcmp for BLOBs, over the shorter length; then the shorter first.
    const int length = static_cast<int>(std::min(left.size(), right.size()));
    int order = rank(leftType) == 2
                    ? sqlite3_strnicmp(left.data(), right.data(), length)
                    : std::memcmp(left.data(), right.data(), static_cast<std::size_t>(length));
    if (order == 0) order = left.size() < right.size() ? -1 : left.size() > right.size() ? 1 : 0;
    return order;
}

bool Catalog::NameBefore(const Row& left, const Row& right) const noexcept {
    const int order = CompareNames(NameType(left), Name(left), NameType(right), Name(right));
    if (order != 0) return order < 0;
    return left.nameAt < right.nameAt;  // equal names: the order they came in
}

int Catalog::NameType(const Row& row) noexcept {
    static constexpr int kTypes[] = {SQLITE_NULL, SQLITE_TEXT, SQLITE_INTEGER, SQLITE_FLOAT};
    return kTypes[NameKindBits(row.tag)];
}

std::uint16_t Catalog::Bucket(const Row& row) const noexcept {
    // Monotone in NameBefore's order: null, numbers, empty text, text from a
    // NUL (which ends SQLite's comparison), then the first two bytes folded as
    // NOCASE folds them, a name's end before any byte.
    const int type = NameType(row);
    if (type != SQLITE_TEXT) return type == SQLITE_NULL ? 0 : 1;
    const std::string_view name = Name(row);
    if (name.empty()) return 2;
    const auto fold = [](char c) {
        const auto byte = static_cast<unsigned>(static_cast<unsigned char>(c));
        return byte - 'A' < 26 ? byte + ('a' - 'A') : byte;
    };
    const unsigned first = fold(name[0]);
    if (first == 0) return 3;
    // Folded bytes skip 'A' to 'Z': 229 first bytes, 257 seconds each.
    const unsigned firstRank = first < 'A' ? first : first - 26;
    const unsigned second = name.size() == 1 ? 0 : 1 + fold(name[1]);
    return static_cast<std::uint16_t>(4 + (firstRank - 1) * 257 + second);
}

bool Catalog::LastNameRepeats() const noexcept {
    const RowIterator last(blocks_.data(), static_cast<std::ptrdiff_t>(rows_ - 1));
    return CompareNames(NameType(last[-1]), Name(last[-1]), NameType(*last), Name(*last)) == 0;
}

void Catalog::OrderByRowId(std::size_t first, std::span<const std::int64_t> rowIds) {
    std::vector<std::uint32_t> from(rowIds.size());
    std::iota(from.begin(), from.end(), 0);
    std::sort(from.begin(), from.end(),
              [rowIds](auto left, auto right) { return rowIds[left] < rowIds[right]; });
    // Row first + i takes the row at first + from[i]: each cycle of that
    // permutation is followed once, and a place filled is marked by from[i] = i.
    const RowIterator rows(blocks_.data(), static_cast<std::ptrdiff_t>(first));
    for (std::uint32_t start = 0; start < from.size(); ++start) {
        const Row held = rows[start];
        std::uint32_t at = start;
        while (from[at] != start) {
            rows[at] = rows[from[at]];
            at = std::exchange(from[at], at);
        }
        rows[at] = held;
        from[at] = at;
    }
}

void Catalog::SortByName() noexcept {
    if (rowsRead_ != nullptr) rowsRead_->store(rows_ | dataaccess::kSortingRows, std::memory_order_relaxed);
    const RowIterator first(blocks_.data(), 0);
    const auto before = [this](const Row& left, const Row& right) { return NameBefore(left, right); };
    // Rows apart in memory cost a cache miss each time they are compared: a
    // first pass puts them into buckets by their names' first two bytes, in
    // place, and each bucket, small enough to stay in the cache, is then
    // sorted whole. Without the memory for that pass, one sort over all rows
    // gives the same order.
    std::vector<std::uint32_t> ends;
    try {
        if (rows_ <= UINT32_MAX) ends = PlaceInBuckets();
    } catch (const std::bad_alloc&) {
        ends.clear();
    }
    if (ends.empty()) std::sort(first, first + static_cast<std::ptrdiff_t>(rows_), before);
    std::size_t start = 0;
    for (const std::size_t end : ends) {
        if (end - start > 1)
            std::sort(first + static_cast<std::ptrdiff_t>(start), first + static_cast<std::ptrdiff_t>(end),
                      before);
        start = end;
    }
    if (rowsRead_ != nullptr) rowsRead_->store(rows_, std::memory_order_relaxed);
}

std::vector<std::uint32_t> Catalog::PlaceInBuckets() {
    // An American flag sort: 2 bytes a row for the rows' buckets, and each
    // swap puts one row into its own bucket for good.
    const RowIterator first(blocks_.data(), 0);
    std::vector<std::uint16_t> buckets(rows_);
    std::vector<std::uint32_t> next(kBuckets, 0);
    std::vector<std::uint32_t> ends(kBuckets, 0);
    for (std::size_t row = 0; row < rows_; ++row)
        ++ends[buckets[row] = Bucket(first[static_cast<std::ptrdiff_t>(row)])];
    std::uint32_t end = 0;
    for (std::size_t bucket = 0; bucket < kBuckets; ++bucket)
        next[bucket] = end, ends[bucket] = end += ends[bucket];
    for (std::size_t bucket = 0; bucket < kBuckets; ++bucket) {
        while (next[bucket] < ends[bucket]) {
            const std::size_t row = next[bucket];
            const std::uint16_t its = buckets[row];
            if (its == bucket) {
                ++next[bucket];
                continue;
            }
            const std::size_t to = next[its]++;
            std::swap(first[static_cast<std::ptrdiff_t>(row)], first[static_cast<std::ptrdiff_t>(to)]);
            std::swap(buckets[row], buckets[to]);
        }
    }
    return ends;
}

void Catalog::FinishLoading() {
    blocks_.shrink_to_fit();
    names_.Shrink();
    texts_.Shrink();
}

}  // namespace quorbix
