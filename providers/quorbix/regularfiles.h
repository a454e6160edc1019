#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace quorbix {

// Makes every file SQLite opens in this process a regular file, checked on
// the very descriptor SQLite then uses.
//
// A check of the path before SQLite opens it cannot close the race with a
// FIFO swapped in meanwhile, and SQLite also opens files of its own beside
// the database (-journal, -wal, -shm), any of which may be a FIFO that would
// block the open for ever. So SQLite's unix VFS is given its own open: it
// opens without blocking, refuses anything but a regular file, and only then
// makes the descriptor blocking again. For regular files it behaves exactly
// like open(2).
class RegularFiles {
public:
    // Replaces SQLite's open, once per process; later calls do nothing. SQLite
    // reads its system calls without a lock, so this runs before the first
    // connection the provider makes.
    static void Install();

    // The last file the replacement refused on this thread: its path and what
    // it is ("a named pipe, not a file", "a symbolic link, which ...").
    struct Refusal {
        std::string path;
        std::string why;
    };
    // Returns and forgets it.
    static std::optional<Refusal> TakeRefusal();

    // "a folder", "a named pipe", "a device", "a socket", ...: what a file of
    // this mode is, for messages.
    static const char* Describe(mode_t mode);
};

}  // namespace quorbix
