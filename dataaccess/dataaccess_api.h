#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

// What a provider module shares with the layer: headers only, so a provider
// never links the layer itself.
namespace dataaccess {

// The outcome of every data-access call, and of everything else that can go
// wrong in the program: number 0 is success; any other number is an error
// whose range says who raised it (100-199 the program, 1000-1999 this layer,
// 2000-2999 a provider) and whose description is written for the user.
// Success carries an empty description, so checking it never allocates.
struct [[nodiscard]] Status {
    int number = 0;
    std::string description;

    bool ok() const noexcept { return number == 0; }
};

// Names in connection strings, provider names, field names and SQLite
// identifiers are ASCII and compared without regard to case, whatever the
// user's locale says about other letters.
constexpr char AsciiLower(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept {
    return std::ranges::equal(a, b, [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// The values a caller may pass as the last three arguments of
// Recordset::Open. The layer passes them on to the provider as plain ints,
// unchanged, so a provider sees exactly what the caller asked for; a provider
// may take any other number its own way.
inline constexpr int adOpenUnspecified = -1;
inline constexpr int adCmdUnspecified = -1;
enum LockTypeEnum : int {
    adLockUnspecified = -1,
    adLockReadOnly = 1,
    adLockPessimistic = 2,
    adLockOptimistic = 3,
    adLockBatchOptimistic = 4,
};

// A date and time as it is to be shown. A wall-clock date has no zone. An
// instant, which providers turn into local time before they deliver it,
// carries the zone that local time had at that instant, for locales whose
// form shows it.
struct DateTime {
    int year = 1;  // 1 to 9999
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::array<char, 16> zone{};  // abbreviation, NUL-terminated; empty: no zone
    int utcOffset = 0;            // seconds east of UTC, when there is a zone

    bool IsMidnight() const noexcept { return hour == 0 && minute == 0 && second == 0; }
    bool HasZone() const noexcept { return zone[0] != '\0'; }

    friend bool operator==(const DateTime&, const DateTime&) = default;
};

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

// What a provider hands back from a successful Open: an immutable snapshot of
// rows, read at any position in any order. The record set keeps the cursor;
// the rowset only answers reads, so it needs no locking and holds no
// connection to the database.
class Rowset {
public:
    virtual ~Rowset() = default;

    virtual std::size_t RowCount() const noexcept = 0;
    virtual std::size_t ColumnCount() const noexcept = 0;
    // Field names, as the caller looks them up (case-insensitively).
    virtual std::string_view ColumnName(std::size_t column) const noexcept = 0;
    // row < RowCount() and column < ColumnCount(); the caller guarantees it.
    // A Text value views storage owned by this rowset.
    virtual Value Read(std::size_t row, std::size_t column) const noexcept = 0;
};

// How many rows a provider has read so far while an Open runs, for a caller
// on another thread to show progress. Only the provider writes it. While it
// sorts the rows it has read, it adds kSortingRows to their count, so that
// one load gives both the phase and the count.
using RowsRead = std::atomic<std::uint64_t>;
inline constexpr std::uint64_t kSortingRows = std::uint64_t{1} << 63;

// A data provider: turns a source string into a rowset. Providers live in
// plug-in modules (see PluginResolver) or, in tests, anywhere a resolver
// finds them. Open must not throw: every failure comes back as a Status with
// the provider's own number (2000-2999) and a description for the user.
class Provider {
public:
    virtual ~Provider() = default;

    // source, cursorType, lockType and options are exactly what the caller
    // gave Recordset::Open. On success, rowset holds the rows. rowsRead, when
    // not null, is kept at the count of rows read so far.
    virtual Status Open(std::string_view source, int cursorType, int lockType, int options,
                        std::unique_ptr<Rowset>& rowset, RowsRead* rowsRead) noexcept = 0;
};

// A provider module exports one function under this name, with C linkage,
// that makes a new provider (or returns null when it cannot):
//     extern "C" dataaccess::Provider* vantril_create_provider();
// The layer owns the result and deletes it through the virtual destructor.
inline constexpr char kCreateProviderSymbol[] = "vantril_create_provider";
using CreateProviderFunction = Provider* (*)();

// The version of everything above that a module and the layer share. Raise it
// with any change a module built against the old header would misread: a
// type's layout, a virtual function, a contract. A module also exports, with
// C linkage, the version it was built with, as data, so that the layer can
// read it without calling into a module that may not match:
//     extern "C" const std::uint32_t vantril_interface_version = dataaccess::kInterfaceVersion;
// The layer loads no module of another version, nor one that states none.
inline constexpr std::uint32_t kInterfaceVersion = 1;
inline constexpr char kInterfaceVersionSymbol[] = "vantril_interface_version";

}  // namespace dataaccess
