#include "catalog.h"

#include <bit>
#include <cstring>

#include "datetext.h"

namespace quorbix {

namespace {

using Length = std::uint32_t;

}  // namespace

std::string_view Catalog::ColumnName(std::size_t column) const noexcept {
    static constexpr std::string_view kNames[kColumns] = {"Name", "DateCreated", "DateUpdated"};
    return column < kColumns ? kNames[column] : std::string_view();
}

dataaccess::Value Catalog::Read(std::size_t row, std::size_t column) const noexcept {
    const std::size_t cell = row * kColumns + column;
    const std::uint64_t payload = payloads_[cell];
    switch (tags_[cell]) {
        case Tag::Null:
            return dataaccess::Value::Null();
        case Tag::Text: {
            Length length;
            std::memcpy(&length, arena_.data() + payload, sizeof length);
            return dataaccess::Value::Text(std::string_view(arena_.data() + payload + sizeof length, length));
        }
        case Tag::Integer:
            return dataaccess::Value::Integer(static_cast<std::int64_t>(payload));
        case Tag::Real:
            return dataaccess::Value::Real(std::bit_cast<double>(payload));
        case Tag::Date:
            return dataaccess::Value::Date(UnpackDate(payload));
        case Tag::UnixSeconds: {
            const auto seconds = static_cast<std::int64_t>(payload);
            if (const auto date = LocalDateFromUnixSeconds(seconds)) return dataaccess::Value::Date(*date);
            return dataaccess::Value::Integer(seconds);
        }
        case Tag::JulianDay: {
            const double day = std::bit_cast<double>(payload);
            if (const auto date = LocalDateFromJulianDay(day)) return dataaccess::Value::Date(*date);
            return dataaccess::Value::Real(day);
        }
    }
    return {};  // unreachable: every tag is handled above
}

void Catalog::Append(Tag tag, std::uint64_t payload) {
    // Grow the payloads first: if the second push_back throws, the vectors
    // differ in length, but a failed catalog is never read.
    payloads_.push_back(payload);
    tags_.push_back(tag);
}

void Catalog::AppendNull() { Append(Tag::Null, 0); }

void Catalog::AppendText(std::string_view text) {
    // SQLite limits a value to under 2^31 bytes, so the length always fits.
    const auto length = static_cast<Length>(text.size());
    const std::uint64_t offset = arena_.size();
    char bytes[sizeof length];
    std::memcpy(bytes, &length, sizeof length);
    arena_.append(bytes, sizeof length);
    arena_.append(text);
    Append(Tag::Text, offset);
}

void Catalog::AppendInteger(std::int64_t number) { Append(Tag::Integer, static_cast<std::uint64_t>(number)); }

void Catalog::AppendReal(double number) { Append(Tag::Real, std::bit_cast<std::uint64_t>(number)); }

void Catalog::AppendDate(const dataaccess::DateTime& date) { Append(Tag::Date, PackDate(date)); }

void Catalog::AppendUnixSeconds(std::int64_t seconds) {
    Append(Tag::UnixSeconds, static_cast<std::uint64_t>(seconds));
}

void Catalog::AppendJulianDay(double day) { Append(Tag::JulianDay, std::bit_cast<std::uint64_t>(day)); }

void Catalog::FinishLoading() {
    tags_.shrink_to_fit();
    payloads_.shrink_to_fit();
    arena_.shrink_to_fit();
}

}  // namespace quorbix
