// The provider beside other programs and the system's permissions: a writer
// busy with the file, the file changing under an open record set, and
// folders and files the user may not read or write.

#include <fcntl.h>
#include <grp.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <atomic>
#include <csignal>
#include <thread>

#include "quorbixerrors.h"
#include "testdatabase.h"

namespace quorbix::testing {
namespace {

namespace fs = std::filesystem;

const std::string kTwoForms =
    std::string(kCatalogTable) + "INSERT INTO objects VALUES ('Form', 'a', 0, 0), ('Form', 'b', 0, 0);";

void Exec(sqlite3* db, const char* sql) {
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
}

TEST(OtherProgram, WriterMidChangeLocksTheFileUnlessItIsInWalMode) {
    for (const bool wal : {false, true}) {
        TempFolder folder;
        const std::string path = folder.File("c.db");
        RunSql(path, (wal ? "PRAGMA journal_mode = WAL;" : "") + kTwoForms);
        sqlite3* writer = nullptr;
        sqlite3_open(path.c_str(), &writer);
        Exec(writer, "BEGIN EXCLUSIVE; INSERT INTO objects VALUES ('Form', 'c', 0, 0);");
        const auto busy = Open("Form;" + path);
        if (wal) {
            ASSERT_TRUE(busy.status.ok()) << busy.status.description;
            EXPECT_EQ(busy.rowset->RowCount(), 2u) << "the snapshot holds only committed rows";
        } else {
            EXPECT_EQ(busy.status.number, errors::kDatabaseLocked) << busy.status.description;
            EXPECT_NE(busy.status.description.find(path), std::string::npos);
        }
        // Once the writer is done, the file opens with its change.
        Exec(writer, "COMMIT");
        sqlite3_close(writer);
        const auto after = Open("Form;" + path);
        ASSERT_TRUE(after.status.ok()) << after.status.description;
        EXPECT_EQ(after.rowset->RowCount(), 3u);
    }
}

TEST(OtherProgram, PipeSwappedForTheFileDuringOpensNeverHangs) {
    TempFolder folder;
    const std::string path = folder.File("c.db"), pipe = folder.File("pipe");
    RunSql(path, kTwoForms);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::atomic<bool> stop = false;
    // Swapped about as often as an open takes, so that some land between
    // the provider's check and SQLite's open.
    std::thread swapper([&] {
        while (!stop) renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, pipe.c_str(), RENAME_EXCHANGE), usleep(10);
    });
    // A hang here is caught by the test's time limit.
    std::map<int, int> outcomes;
    for (int i = 0; i < 500; ++i) ++outcomes[Open("Form;" + path).status.number];
    stop = true;
    swapper.join();
    outcomes.erase(0);
    outcomes.erase(errors::kNotARegularFile);
    EXPECT_TRUE(outcomes.empty()) << outcomes.begin()->first << " in " << outcomes.begin()->second
                                  << " opens";
}

TEST(OtherProgram, WriterCommittingBackToBackNeverGivesALockError) {
    TempFolder folder;
    const std::string path = folder.File("c.db");
    RunSql(path, kTwoForms);
    // In rollback mode, each commit holding the lock about 15 ms, with gaps
    // far shorter than a millisecond between them.
    const pid_t writer = fork();
    if (writer == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_busy_timeout(db, 10000);
        for (;;) {
            sqlite3_exec(db, "BEGIN EXCLUSIVE; UPDATE objects SET date_updated = date_updated + 1;", nullptr,
                         nullptr, nullptr);
            usleep(15000);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        }
    }
    ASSERT_GT(writer, 0);
    int failures = 0;
    for (int i = 0; i < 100; ++i) failures += Open("Form;" + path).status.ok() ? 0 : 1;
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    EXPECT_EQ(failures, 0);
}

TEST(OtherProgram, NoLockIsHeldOnceOpenAndTheSnapshotOutlivesTheFile) {
    TempFolder folder;
    const std::string path = folder.File("c.db");
    RunSql(path, kTwoForms);
    const auto result = Open("Form;" + path);
    ASSERT_TRUE(result.status.ok()) << result.status.description;
    const auto rows = Walk(*result.rowset);
    ASSERT_EQ(rows.size(), 2u);

    // Another program writes at once, without waiting: nothing of ours holds a lock.
    sqlite3* writer = nullptr;
    sqlite3_open(path.c_str(), &writer);
    sqlite3_busy_timeout(writer, 0);
    Exec(writer,
         "BEGIN EXCLUSIVE; DELETE FROM objects; INSERT INTO objects VALUES ('Form', 'z', 'x', 'x'); COMMIT;");
    sqlite3_close(writer);
    EXPECT_EQ(Walk(*result.rowset), rows) << "after a change";

    RunSql(folder.File("other.db"),
           std::string(kCatalogTable) + "INSERT INTO objects VALUES ('Form', 'o', 1, 1);");
    fs::rename(folder.File("other.db"), path);
    EXPECT_EQ(Walk(*result.rowset), rows) << "after the file was replaced";
    fs::remove(path);
    EXPECT_EQ(Walk(*result.rowset), rows) << "after the file was deleted";
}

// The status number of opening source with the rights of an ordinary user:
// the superuser ignores permissions, so it opens in a child process that
// gives them up first. -1 when the child could not run.
int OpenAsOrdinaryUser(const std::string& source) {
    if (geteuid() != 0) return Open(source).status.number;
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(255);
        const int number = Open(source).status.number;
        _exit(number == 0 ? 0 : number - 2000);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status) == 0 ? 0 : WEXITSTATUS(status) + 2000;
}

TEST(Permissions, UnreadableFileAndWalCatalogInAReadOnlyFolderAreClearErrorsAndStayWhole) {
    TempFolder folder;
    const fs::path sub = folder.path() / "ro";
    fs::create_directory(sub);
    const std::string wal = (sub / "c.db").string(), unreadable = folder.File("u.db");
    RunSql(wal, "PRAGMA journal_mode = WAL;" + kTwoForms);
    ASSERT_FALSE(fs::exists(wal + "-wal")) << "the last close folds the WAL back in";
    RunSql(unreadable, kTwoForms);
    const std::string bytes = ReadBytes(wal);
    fs::permissions(unreadable, fs::perms::none);
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(
        sub, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);

    EXPECT_EQ(OpenAsOrdinaryUser("Form;" + unreadable), errors::kCannotOpen);
    // SQLite cannot read a WAL database without its "-shm" file, which it may
    // not make here: a clear refusal, never SQLite's "attempt to write".
    EXPECT_EQ(OpenAsOrdinaryUser("Form;" + wal), errors::kCannotOpen);
    const auto result = Open("Form;" + wal);
    EXPECT_TRUE(result.status.ok() || result.status.description.find("WAL mode") != std::string::npos)
        << result.status.description;

    fs::permissions(sub, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(wal), bytes) << "the catalog itself was changed";
    for (const auto& entry : fs::directory_iterator(sub)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "c.db" || name == "c.db-wal" || name == "c.db-shm") << name;
    }
}

}  // namespace
}  // namespace quorbix::testing
