#include "databasepath.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "quorbixerrors.h"
#include "regularfiles.h"

namespace quorbix {

namespace {

// $HOME when set, as shells do; otherwise the account's entry. Empty when
// neither is known.
std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;

    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr) {
        return {};
    }
    return found->pw_dir;
}

}  // namespace

std::string Quoted(std::string_view path) { return "'" + std::string(path) + "'"; }

dataaccess::Status DatabasePath::Resolve(std::string_view name, DatabasePath& resolved) {
    // The C calls below stop at the first NUL; without this check "a.db\0x"
    // would quietly open "a.db".
    if (name.find('\0') != std::string_view::npos) {
        return {errors::kInvalidDatabaseName,
                "The database name holds a NUL character, which no file name can hold."};
    }

    std::string path;
    if (name.starts_with("~/")) {
        std::string home = HomeFolder();
        if (home.empty()) {
            return {errors::kNoHomeFolder, "The database name '" + std::string(name) +
                                               "' starts with '~/', but no home folder is known."};
        }
        if (!home.ends_with('/')) home += '/';
        path = home;
        path += name.substr(2);
    } else {
        path = name;
    }

    if (!path.starts_with('/')) {
        std::error_code error;
        const std::filesystem::path working = std::filesystem::current_path(error);
        if (error) {
            return {errors::kCannotOpen, "Cannot find the database '" + path +
                                             "': the working folder is unknown (" + error.message() + ")."};
        }
        std::string prefix = working.string();
        if (!prefix.ends_with('/')) prefix += '/';
        path.insert(0, prefix);
    }
    resolved.absolute_ = std::move(path);
    return {};
}

dataaccess::Status DatabasePath::CheckRegularFile() const {
    struct stat info {};
    if (::stat(absolute_.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return {errors::kDatabaseNotFound, "Cannot find the database " + Quoted(absolute_) + "."};
        }
        return {errors::kCannotOpen, "Cannot open the database " + Quoted(absolute_) + ": " +
                                         std::generic_category().message(error) + "."};
    }
    if (S_ISREG(info.st_mode)) return {};

    return {errors::kNotARegularFile, "The database " + Quoted(absolute_) + " is " +
                                          RegularFiles::Describe(info.st_mode) + ", not a database file."};
}

}  // namespace quorbix
