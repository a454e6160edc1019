#include "testdatabase.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "openoptions.h"
#include "quorbixprovider.h"

namespace quorbix::testing {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorbix-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
    tzset();  // a no-op unless name is TZ
}

ScopedEnvironment::~ScopedEnvironment() {
    if (old_) {
        setenv(name_.c_str(), old_->c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
    tzset();
}

ScopedWorkingFolder::ScopedWorkingFolder(const std::filesystem::path& folder)
    : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
}

ScopedWorkingFolder::~ScopedWorkingFolder() {
    std::error_code ignored;
    std::filesystem::current_path(old_, ignored);
}

void RunSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK) << path;
    char* message = nullptr;
    const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    EXPECT_EQ(result, SQLITE_OK) << (message != nullptr ? message : "") << "\nin: " << sql;
    sqlite3_free(message);
    sqlite3_close(db);
}

OpenResult Open(std::string_view source) {
    OpenResult result;
    QuorbixProvider provider;
    result.status = provider.Open(source, dataaccess::adOpenStatic, dataaccess::adLockReadOnly,
                                  dataaccess::adCmdUnspecified, result.rowset);
    return result;
}

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::map<std::string, std::string> FolderState(const std::filesystem::path& folder) {
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

std::string Describe(const dataaccess::Value& value) {
    using Kind = dataaccess::Value::Kind;
    switch (value.kind()) {
        case Kind::Empty:
            return "empty";
        case Kind::Null:
            return "null";
        case Kind::Text:
            return "text:" + std::string(value.AsText());
        case Kind::Integer:
            return "int:" + std::to_string(value.AsInteger());
        case Kind::Real: {
            std::ostringstream out;
            out.precision(17);
            out << "real:" << value.AsReal();
            return out.str();
        }
        case Kind::Date: {
            const auto& d = value.AsDate();
            char text[40];
            std::snprintf(text, sizeof text, "date:%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day,
                          d.hour, d.minute, d.second);
            return text;
        }
    }
    return "?";
}

}  // namespace quorbix::testing
