#pragma once

#include <cstdint>
#include <string_view>
#include <variant>

#include "datetime.h"

namespace dataaccess {

// A field's value as the provider delivers it.
//
// Text views bytes owned by the record set that delivered it: UTF-8 by
// convention but not checked, possibly holding NUL bytes. It stays valid
// while that record set lives, so reading a field never copies its text.
class Value {
public:
    // The order matches the alternatives of Data below.
    enum class Kind : std::uint8_t { Empty, Null, Text, Integer, Real, Date };

    Value() noexcept = default;  // Empty

    static Value Null() noexcept { return Value(NullTag{}); }
    static Value Text(std::string_view text) noexcept { return Value(text); }
    static Value Integer(std::int64_t number) noexcept { return Value(number); }
    static Value Real(double number) noexcept { return Value(number); }
    static Value Date(const DateTime& date) noexcept { return Value(date); }

    Kind kind() const noexcept { return static_cast<Kind>(data_.index()); }

    // Each accessor requires the matching kind.
    std::string_view AsText() const { return std::get<std::string_view>(data_); }
    std::int64_t AsInteger() const { return std::get<std::int64_t>(data_); }
    double AsReal() const { return std::get<double>(data_); }
    const DateTime& AsDate() const { return std::get<DateTime>(data_); }

private:
    struct NullTag {};
    using Data = std::variant<std::monostate, NullTag, std::string_view, std::int64_t, double, DateTime>;

    template <typename T>
    explicit Value(T alternative) noexcept : data_(alternative) {}

    Data data_;
};

}  // namespace dataaccess
