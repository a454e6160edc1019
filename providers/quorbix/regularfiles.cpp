#include "regularfiles.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace quorbix {

namespace {

// SQLite's callback has no context argument, so the refusal is kept per
// thread: a connection is opened and read on one thread.
thread_local std::optional<RegularFiles::Refusal> lastRefusal;

// The signature of SQLite's "open" system call.
int OpenRegularFile(const char* path, int flags, int mode) {
    const int fd = ::open(path, flags | O_NONBLOCK, mode);
    if (fd < 0) {
        // SQLite opens -shm with O_NOFOLLOW: a link there, or a loop of
        // links, must be named as such rather than as the database's fault.
        if (errno == ELOOP) {
            lastRefusal =
                RegularFiles::Refusal{path, "a symbolic link, which SQLite does not follow there (" +
                                                std::generic_category().message(ELOOP) + ")"};
        }
        return fd;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        lastRefusal =
            RegularFiles::Refusal{path, std::string(RegularFiles::Describe(info.st_mode)) + ", not a file"};
        ::close(fd);
        errno = S_ISDIR(info.st_mode) ? EISDIR : ENXIO;
        return -1;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if ((flags & O_NONBLOCK) == 0 && (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

}  // namespace

void RegularFiles::Install() {
    static const bool installed = [] {
        // SQLite starts its random numbers from /dev/urandom on first use,
        // which the replacement would refuse: start them now, with open(2).
        unsigned char first = 0;
        sqlite3_randomness(1, &first);
        sqlite3_vfs* vfs = sqlite3_vfs_find("unix");
        return vfs != nullptr && vfs->iVersion >= 3 && vfs->xSetSystemCall != nullptr &&
               vfs->xSetSystemCall(vfs, "open", reinterpret_cast<sqlite3_syscall_ptr>(&OpenRegularFile)) ==
                   SQLITE_OK;
    }();
    static_cast<void>(installed);
}

std::optional<RegularFiles::Refusal> RegularFiles::TakeRefusal() { return std::exchange(lastRefusal, {}); }

const char* RegularFiles::Describe(mode_t mode) {
    return S_ISDIR(mode)                    ? "a folder"
           : S_ISFIFO(mode)                 ? "a named pipe"
           : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
           : S_ISSOCK(mode)                 ? "a socket"
                                            : "something other than a file";
}

}  // namespace quorbix
