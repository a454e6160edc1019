#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess_api.h"
#include "quorbixprovider.h"

namespace quorbix::testing {

// The catalog table as the program's databases declare it.
inline constexpr char kCatalogTable[] =
    "CREATE TABLE objects(kind TEXT, name TEXT, date_created, date_updated);";

// A fresh temporary folder, removed with its contents at the end of the test.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorbix-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string File(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Sets an environment variable (TZ included) for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value, 1);
        tzset();
    }
    ~ScopedEnvironment() {
        old_ ? setenv(name_.c_str(), old_->c_str(), 1) : unsetenv(name_.c_str());
        tzset();
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Creates (or extends) the database at path; a refusal fails the test.
inline void RunSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK) << path;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db) << "\nin: " << sql;
    sqlite3_close(db);
}

struct OpenResult {
    dataaccess::Status status;
    std::unique_ptr<dataaccess::Rowset> rowset;
};

inline OpenResult Open(std::string_view source) {
    OpenResult result;
    dataaccess::RowsRead rowsRead{0};
    result.status = QuorbixProvider().Open(source, 3 /* static */, dataaccess::adLockReadOnly,
                                           dataaccess::adCmdUnspecified, result.rowset, &rowsRead);
    // Progress ends at the rows delivered.
    if (result.status.ok()) {
        EXPECT_EQ(rowsRead, result.rowset->RowCount());
    }
    return result;
}

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ostringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    return bytes.str();
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// Everything observable about a folder's entries: names, sizes, modification
// times to the nanosecond, and the bytes of regular files.
inline std::map<std::string, std::string> FolderState(const std::filesystem::path& folder) {
    std::map<std::string, std::string> state;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        state[entry.path().filename().string()] =
            std::to_string(info.st_size) + "@" + std::to_string(info.st_mtim.tv_sec) + "." +
            std::to_string(info.st_mtim.tv_nsec) + ":" +
            (S_ISREG(info.st_mode) ? ReadBytes(entry.path()) : std::string());
    }
    return state;
}

// A value as one short string, so expectations read as a table:
// "null", "text:abc", "int:5", "real:2.5", "date:2024-01-02 03:04:05".
inline std::string Describe(const dataaccess::Value& value) {
    using Kind = dataaccess::Value::Kind;
    char text[64] = "?";
    if (value.kind() == Kind::Empty) return "empty";
    if (value.kind() == Kind::Null) return "null";
    if (value.kind() == Kind::Text) return "text:" + std::string(value.AsText());
    if (value.kind() == Kind::Integer) return "int:" + std::to_string(value.AsInteger());
    if (value.kind() == Kind::Real) std::snprintf(text, sizeof text, "real:%.17g", value.AsReal());
    if (value.kind() == Kind::Date) {
        const auto& d = value.AsDate();
        std::snprintf(text, sizeof text, "date:%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                      d.minute, d.second);
    }
    return text;
}

// Reads every value of every row forward, then backward, as a cursor would,
// each row as its Describe()d values joined by '|'. Each value must be of a
// kind a provider delivers, and whole: text is copied byte by byte, so a view
// past its storage shows up under ASan.
inline std::vector<std::string> Walk(const dataaccess::Rowset& rowset) {
    const auto readRow = [&](std::size_t row) {
        std::string values;
        for (std::size_t column = 0; column < rowset.ColumnCount(); ++column) {
            const dataaccess::Value value = rowset.Read(row, column);
            EXPECT_NE(value.kind(), dataaccess::Value::Kind::Empty) << "row " << row << " column " << column;
            if (value.kind() == dataaccess::Value::Kind::Date) {
                const auto& d = value.AsDate();
                const std::chrono::year_month_day day{std::chrono::year(d.year), std::chrono::month(d.month),
                                                      std::chrono::day(d.day)};
                EXPECT_TRUE(day.ok() && d.year >= 1 && d.year <= 9999 && d.hour >= 0 && d.hour <= 23 &&
                            d.minute >= 0 && d.minute <= 59 && d.second >= 0 && d.second <= 59)
                    << Describe(value);
            }
            values += (column == 0 ? "" : "|") + Describe(value);
        }
        return values;
    };
    std::vector<std::string> rows(rowset.RowCount());
    for (std::size_t row = 0; row < rows.size(); ++row) rows[row] = readRow(row);
    for (std::size_t row = rows.size(); row-- > 0;) EXPECT_EQ(readRow(row), rows[row]);
    return rows;
}

}  // namespace quorbix::testing
