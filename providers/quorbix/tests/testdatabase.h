#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "rowset.h"
#include "status.h"
#include "value.h"

namespace quorbix::testing {

// The catalog table as the program's databases declare it.
inline constexpr char kCatalogTable[] =
    "CREATE TABLE objects(kind TEXT, name TEXT, date_created, date_updated);";

// A fresh folder under the system's temporary folder, removed with all its
// contents at the end of the test.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string File(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Makes a folder the working folder for the life of the object.
class ScopedWorkingFolder {
public:
    explicit ScopedWorkingFolder(const std::filesystem::path& folder);
    ~ScopedWorkingFolder();
    ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
    ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

private:
    std::filesystem::path old_;
};

// Creates (or extends) the database at path by running sql on a writable
// connection; reports a test failure if SQLite refuses it.
void RunSql(const std::string& path, const std::string& sql);

struct OpenResult {
    dataaccess::Status status;
    std::unique_ptr<dataaccess::Rowset> rowset;
};

// Opens through the provider with a read-only lock and a static cursor.
OpenResult Open(std::string_view source);

// A file's bytes, and a file made of given bytes.
std::string ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

// Everything observable about a folder's files: names, contents, sizes and
// modification times (to the nanosecond), keyed by name.
std::map<std::string, std::string> FolderState(const std::filesystem::path& folder);

// A value as one short string, so expectations read as a table:
// "null", "text:abc", "int:5", "real:2.5", "date:2024-01-02 03:04:05".
std::string Describe(const dataaccess::Value& value);

}  // namespace quorbix::testing
