// Hostile databases: damaged, odd or malicious files. Each must end in one of
// the provider's numbered errors or in a walk over whole values, and the file
// must be left exactly as it was.

#include <grp.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "quorbixerrors.h"
#include "testdatabase.h"

namespace quorbix::testing {
namespace {

namespace fs = std::filesystem;

using Rows = std::vector<std::vector<std::string>>;

// Any outcome but a crash or a hang: a numbered error, or a walk.
constexpr int kAnyOutcome = -1;

struct Hostile {
    std::string what;
    std::function<void(const std::string& path)> make;  // creates the database at path
    int number = 0;                                     // 0: opens; kAnyOutcome: either
    Rows rows = {};                                     // Describe()d, when it opens
    bool wal = false;                                   // SQLite may add -wal and -shm
};

bool ValidDate(const dataaccess::DateTime& d) {
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= kDays[d.month - 1] && d.hour >= 0 && d.hour <= 23 && d.minute >= 0 && d.minute <= 59 &&
           d.second >= 0 && d.second <= 59;
}

// Reads every value of every row forward, then backward, as a cursor would;
// each value must be one of the kinds a provider delivers and whole. Text is
// copied byte by byte, so a view past its storage shows up under ASan.
Rows Walk(const dataaccess::Rowset& rowset) {
    Rows rows(rowset.RowCount());
    const auto readRow = [&](std::size_t row) {
        std::vector<std::string> values;
        for (std::size_t column = 0; column < rowset.ColumnCount(); ++column) {
            const dataaccess::Value value = rowset.Read(row, column);
            EXPECT_NE(value.kind(), dataaccess::Value::Kind::Empty) << "row " << row << " column " << column;
            if (value.kind() == dataaccess::Value::Kind::Date) {
                EXPECT_TRUE(ValidDate(value.AsDate())) << Describe(value);
            }
            values.push_back(Describe(value));
        }
        return values;
    };
    for (std::size_t row = 0; row < rows.size(); ++row) rows[row] = readRow(row);
    for (std::size_t row = rows.size(); row-- > 0;) EXPECT_EQ(readRow(row), rows[row]);
    return rows;
}

// Names of the files beside the database, without SQLite's own WAL files.
std::map<std::string, std::string> Untouchable(const fs::path& folder, bool wal) {
    auto state = FolderState(folder);
    if (wal) {
        for (const char* suffix : {"-wal", "-shm"}) state.erase(std::string("c.db") + suffix);
    }
    return state;
}

void Check(const Hostile& hostile) {
    SCOPED_TRACE(hostile.what);
    TempFolder folder;
    const std::string path = folder.File("c.db");
    hostile.make(path);
    const auto before = Untouchable(folder.path(), hostile.wal);

    const auto result = Open("Form;" + path);
    if (result.status.ok()) {
        ASSERT_NE(result.rowset, nullptr);
        const Rows rows = Walk(*result.rowset);
        if (hostile.number != kAnyOutcome) {
            EXPECT_EQ(hostile.number, 0) << "opened, but should give an error";
            EXPECT_EQ(rows, hostile.rows);
        }
    } else {
        EXPECT_EQ(result.rowset, nullptr);
        if (hostile.number == kAnyOutcome) {
            EXPECT_GE(result.status.number, 2000) << result.status.description;
            EXPECT_LE(result.status.number, 2999) << result.status.description;
        } else {
            EXPECT_EQ(result.status.number, hostile.number) << result.status.description;
        }
        EXPECT_NE(result.status.description.find("'" + path + "'"), std::string::npos)
            << result.status.description;
    }
    EXPECT_EQ(Untouchable(folder.path(), hostile.wal), before) << "the provider changed the folder";
}

// The name column without TEXT affinity, so that numbers stay numbers.
std::function<void(const std::string&)> Catalog(const std::string& rows) {
    return [rows](const std::string& path) {
        RunSql(path,
               "CREATE TABLE objects(kind TEXT, name, date_created, date_updated);"
               "INSERT INTO objects VALUES " +
                   rows + ";");
    };
}

// A catalog whose one REAL value 1234.5 is then overwritten in the file with
// the given bits, for values SQL cannot write (NaN).
std::function<void(const std::string&)> PatchedReal(const std::string& row, std::uint64_t bits) {
    return [row, bits](const std::string& path) {
        Catalog(row)(path);
        std::string bytes = ReadBytes(path);
        std::string pattern, replacement;
        for (int shift = 56; shift >= 0; shift -= 8) {  // SQLite stores reals big-endian
            pattern += static_cast<char>(std::bit_cast<std::uint64_t>(1234.5) >> shift & 0xFF);
            replacement += static_cast<char>(bits >> shift & 0xFF);
        }
        const auto at = bytes.find(pattern);
        ASSERT_NE(at, std::string::npos);
        bytes.replace(at, pattern.size(), replacement);
        WriteBytes(path, bytes);
    };
}

// A catalog whose schema names a function only the creating program had.
std::function<void(const std::string&)> WithFunction(const std::string& sql) {
    return [sql](const std::string& path) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        const auto sideEffect = [](sqlite3_context* context, int, sqlite3_value**) {
            sqlite3_result_int(context, 1);
        };
        sqlite3_create_function(db, "side_effect", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                sideEffect, nullptr, nullptr);
        char* message = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
            << (message != nullptr ? message : "");
        sqlite3_free(message);
        sqlite3_close(db);
    };
}

// A few pages of catalog in small pages, so that it has many page boundaries.
const std::string kSmallCatalog =
    "PRAGMA page_size = 512;" + std::string(kCatalogTable) +
    "CREATE INDEX objects_kind_name ON objects(kind, name COLLATE NOCASE);"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) "
    "INSERT INTO objects SELECT CASE i % 3 WHEN 0 THEN 'Form' WHEN 1 THEN 'Query' ELSE 'Report' END, "
    "printf('Object %03d', i), printf('2024-01-%02d', i % 28 + 1), 1700000000 + i * 3600 FROM n;";

std::vector<Hostile> HostileCases() {
    const std::string mega(1 << 20, 'x');
    std::vector<Hostile> cases = {
        {"1 MB name",
         Catalog("('Form', replace(hex(zeroblob(524288)), '0', 'x'), 1, 2)"),
         0,
         {{"text:" + mega, "date:1970-01-01 00:00:01", "date:1970-01-01 00:00:02"}}},
        {"NUL byte inside a name and a date",
         Catalog("('Form', CAST(x'41004200' AS TEXT), CAST(x'00' AS TEXT), 0)"),
         0,
         {{std::string("text:A\0B\0", 9), std::string("text:\0", 6), "date:1970-01-01 00:00:00"}}},
        {"invalid UTF-8",
         Catalog("('Form', CAST(x'c328ff80' AS TEXT), CAST(x'fe' AS TEXT), 0)"),
         0,
         {{"text:\xc3\x28\xff\x80", "text:\xfe", "date:1970-01-01 00:00:00"}}},
        {"dates at the ends of the years 1 to 9999, and past them",
         Catalog("('Form', 'a', '0001-01-01', '9999-12-31 23:59:59'),"
                 "('Form', 'b', '10000-01-01', '9999-12-31T23:59:60'),"
                 "('Form', 'c', -62135596800, 253402300799),"
                 "('Form', 'd', -62135596801, 253402300800),"
                 "('Form', 'e', 1721425.5, 5373484.4999884)"),
         0,
         {{"text:a", "date:0001-01-01 00:00:00", "date:9999-12-31 23:59:59"},
          {"text:b", "text:10000-01-01", "text:9999-12-31T23:59:60"},
          {"text:c", "date:0001-01-01 00:00:00", "date:9999-12-31 23:59:59"},
          {"text:d", "int:-62135596801", "int:253402300800"},
          {"text:e", "date:0001-01-01 00:00:00", "date:9999-12-31 23:59:59"}}},
        {"negative and huge Julian days",
         Catalog("('Form', 'a', -1.5, 1e300), ('Form', 'b', -1e300, 5373484.5), ('Form', 'c', 0.0, 1.0e18)"),
         0,
         {{"text:a", "real:-1.5", "real:1.0000000000000001e+300"},
          {"text:b", "real:-1.0000000000000001e+300", "real:5373484.5"},
          {"text:c", "real:0", "real:1e+18"}}},
        {"infinite reals",
         Catalog("('Form', 9e999, -9e999, 9e999)"),
         0,
         {{"real:inf", "real:-inf", "real:inf"}}},
        {"NaN stored as a name, which SQLite reads as NULL",
         PatchedReal("('Form', 1234.5, 0, 0)", 0x7FF8000000000000u),
         0,
         {{"null", "date:1970-01-01 00:00:00", "date:1970-01-01 00:00:00"}}},
        {"NaN stored as a date",
         PatchedReal("('Form', 'a', 1234.5, 0)", 0xFFF0000000000001u),
         0,
         {{"text:a", "null", "date:1970-01-01 00:00:00"}}},
        {"INT64 min and max",
         Catalog("('Form', -9223372036854775808, -9223372036854775808, 9223372036854775807),"
                 "('Form', 9223372036854775807, 0, 0)"),
         0,
         {{"int:-9223372036854775808", "int:-9223372036854775808", "int:9223372036854775807"},
          {"int:9223372036854775807", "date:1970-01-01 00:00:00", "date:1970-01-01 00:00:00"}}},
        {"BLOB as a name", Catalog("('Form', 'a', 0, 0), ('Form', x'00ff', 0, 0)"), errors::kBlobValue},
        {"BLOB as a creation date", Catalog("('Form', 'a', x'', 0)"), errors::kBlobValue},
        {"BLOB as an update date", Catalog("('Form', 'a', 0, zeroblob(10))"), errors::kBlobValue},
        {"BLOB as a kind, which matches no kind",
         Catalog("(x'466f726d', 'a', 0, 0), ('Form', 'b', 0, 0)"),
         0,
         {{"text:b", "date:1970-01-01 00:00:00", "date:1970-01-01 00:00:00"}}},
        {"kind column holding integers",
         [](const std::string& p) {
             RunSql(p,
                    "CREATE TABLE objects(kind, name, date_created, date_updated);"
                    "INSERT INTO objects VALUES (1, 'one', 0, 0), (0, 'zero', 0, 0), ('Form', 'f', 0, 0);");
         },
         0,
         {{"text:f", "date:1970-01-01 00:00:00", "date:1970-01-01 00:00:00"}}},
        {"view named objects",
         [](const std::string& p) {
             RunSql(p,
                    "CREATE TABLE t(kind, name, date_created, date_updated);"
                    "INSERT INTO t VALUES ('Form', 'a', 0, 0);"
                    "CREATE VIEW objects AS SELECT * FROM t;");
         },
         errors::kCatalogNotATable},
        {"trigger calling a user-defined function",
         WithFunction(std::string(kCatalogTable) +
                      "INSERT INTO objects VALUES ('Form', 'a', 0, 0);"
                      "CREATE TRIGGER t AFTER INSERT ON objects BEGIN SELECT side_effect(); END;"),
         0,
         {{"text:a", "date:1970-01-01 00:00:00", "date:1970-01-01 00:00:00"}}},
        {"CHECK calling a user-defined function",
         WithFunction("CREATE TABLE objects(kind TEXT, name TEXT CHECK (side_effect(name)), date_created, "
                      "date_updated); INSERT INTO objects VALUES ('Form', 'a', 0, 0);"),
         0,
         {{"text:a", "date:1970-01-01 00:00:00", "date:1970-01-01 00:00:00"}}},
        {"generated column calling a user-defined function",
         WithFunction(
             "CREATE TABLE objects(kind TEXT, name TEXT, date_created, "
             "date_updated AS (side_effect(name))); INSERT INTO objects(kind, name) VALUES ('Form', 'a');"),
         errors::kSqliteError},
        {"view calling a user-defined function, over the catalog",
         WithFunction(std::string(kCatalogTable) + "INSERT INTO objects VALUES ('Form', 'a', 0, 0);"
                                                   "CREATE VIEW v AS SELECT side_effect(name) FROM objects;"),
         0,
         {{"text:a", "date:1970-01-01 00:00:00", "date:1970-01-01 00:00:00"}}},
        {"hot journal left by a writer that stopped mid-change",
         [](const std::string& p) {
             // A copy taken while a writer is halfway through its change is
             // what a crash leaves: the file and its rollback journal.
             const std::string writing = p + ".writing";
             sqlite3* writer = nullptr;
             ASSERT_EQ(sqlite3_open(writing.c_str(), &writer), SQLITE_OK);
             ASSERT_EQ(sqlite3_exec(writer,
                                    (kSmallCatalog + "PRAGMA cache_size = 2; BEGIN;"
                                                     "UPDATE objects SET name = 'changed';")
                                        .c_str(),
                                    nullptr, nullptr, nullptr),
                       SQLITE_OK);
             fs::copy_file(writing, p);
             fs::copy_file(writing + "-journal", p + "-journal");
             sqlite3_close(writer);
             fs::remove(writing);
         },
         errors::kUnfinishedChange},
        {"WAL-mode catalog",
         [](const std::string& p) {
             RunSql(p, "PRAGMA journal_mode = WAL;" + std::string(kCatalogTable) +
                           "INSERT INTO objects VALUES ('Form', 'a', 0, 0);");
         },
         0,
         {{"text:a", "date:1970-01-01 00:00:00", "date:1970-01-01 00:00:00"}},
         true},
    };

    // The small catalog cut short at every page boundary, the empty file
    // included.
    {
        TempFolder folder;
        const std::string source = folder.File("c.db");
        RunSql(source, kSmallCatalog);
        const std::string bytes = ReadBytes(source);
        for (std::size_t size = 0; size < bytes.size(); size += 512) {
            cases.push_back({"cut to " + std::to_string(size) + " bytes",
                             [head = bytes.substr(0, size)](const std::string& p) { WriteBytes(p, head); },
                             kAnyOutcome,
                             {},
                             true});
        }
        // One bit of the small catalog flipped, anywhere. A flip in the header
        // may turn the file into a WAL-mode database, so SQLite may add its
        // own files beside these.
        for (unsigned draw = 1; draw <= 200; ++draw) {
            std::mt19937 random(draw);
            const std::size_t bit =
                std::uniform_int_distribution<std::size_t>(0, bytes.size() * 8 - 1)(random);
            std::string flipped = bytes;
            flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
            cases.push_back({"draw " + std::to_string(draw) + ": bit " + std::to_string(bit) + " flipped",
                             [flipped](const std::string& p) { WriteBytes(p, flipped); },
                             kAnyOutcome,
                             {},
                             true});
        }
    }
    return cases;
}

TEST(HostileDatabase, EndsInANumberedErrorOrAWalkOverWholeValues) {
    // Instants are shown in UTC here, so that the table reads plainly.
    ScopedEnvironment utc("TZ", "UTC0");
    const auto cases = HostileCases();
    ASSERT_GT(cases.size(), 220u);
    for (const auto& hostile : cases) Check(hostile);
}

// The full small catalog, as a reference for the damaged copies: a copy that
// opens must never show values the original does not hold.
TEST(HostileDatabase, UndamagedSmallCatalogWalksWhole) {
    TempFolder folder;
    const std::string path = folder.File("c.db");
    RunSql(path, kSmallCatalog);
    const auto result = Open("Query;" + path);
    ASSERT_TRUE(result.status.ok()) << result.status.description;
    EXPECT_EQ(Walk(*result.rowset).size(), 20u);
}

// --- Files and other programs ------------------------------------------

const std::string kTwoForms = std::string(kCatalogTable) +
                              "INSERT INTO objects VALUES ('Form', 'a', '2024-01-01', 0),"
                              "('Form', 'b', '2024-01-02', 0);";

TEST(HostileFile, NoLockIsHeldOnceOpenAndTheSnapshotOutlivesTheFile) {
    ScopedEnvironment utc("TZ", "UTC0");
    TempFolder folder;
    const std::string path = folder.File("c.db");
    RunSql(path, kTwoForms);
    const auto result = Open("Form;" + path);
    ASSERT_TRUE(result.status.ok()) << result.status.description;
    const Rows rows = Walk(*result.rowset);
    ASSERT_EQ(rows.size(), 2u);

    // Another program writes at once: without waiting, because nothing of
    // ours holds a lock.
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
    sqlite3_busy_timeout(writer, 0);
    EXPECT_EQ(sqlite3_exec(writer,
                           "BEGIN EXCLUSIVE; DELETE FROM objects; "
                           "INSERT INTO objects VALUES ('Form', 'zz', 'changed', 'changed'); COMMIT;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(writer);
    sqlite3_close(writer);
    EXPECT_EQ(Walk(*result.rowset), rows) << "after a change";

    const std::string other = folder.File("other.db");
    RunSql(other, std::string(kCatalogTable) + "INSERT INTO objects VALUES ('Form', 'other', 1, 1);");
    fs::rename(other, path);
    EXPECT_EQ(Walk(*result.rowset), rows) << "after the file was replaced";

    fs::remove(path);
    EXPECT_EQ(Walk(*result.rowset), rows) << "after the file was deleted";
}

TEST(HostileFile, LinksArePathsButOnlyToRegularFiles) {
    TempFolder folder;
    const std::string path = folder.File("c.db");
    RunSql(path, kTwoForms);
    ASSERT_EQ(mkfifo(folder.File("pipe").c_str(), 0600), 0);
    fs::create_symlink(path, folder.File("link.db"));
    fs::create_symlink(folder.File("pipe"), folder.File("pipe-link.db"));
    fs::create_symlink("/dev/zero", folder.File("zero-link.db"));
    fs::create_symlink(folder.path(), folder.File("folder-link.db"));
    fs::create_symlink(folder.File("none.db"), folder.File("dangling.db"));
    const auto before = FolderState(folder.path());

    const auto linked = Open("Form;" + folder.File("link.db"));
    ASSERT_TRUE(linked.status.ok()) << linked.status.description;
    EXPECT_EQ(linked.rowset->RowCount(), 2u);

    const std::pair<std::string, int> refused[] = {
        {folder.File("pipe"), errors::kNotARegularFile},
        {folder.File("pipe-link.db"), errors::kNotARegularFile},
        {folder.File("zero-link.db"), errors::kNotARegularFile},
        {folder.File("folder-link.db"), errors::kNotARegularFile},
        {"/dev/zero", errors::kNotARegularFile},
        {folder.path().string(), errors::kNotARegularFile},
        {folder.File("dangling.db"), errors::kDatabaseNotFound},
        {path + "/inside.db", errors::kDatabaseNotFound},
        {folder.File(std::string(5000, 'n')), errors::kCannotOpen},  // longer than any file name
    };
    for (const auto& [name, number] : refused) {
        const auto result = Open("Form;" + name);
        EXPECT_EQ(result.status.number, number) << name.substr(0, 200) << ": " << result.status.description;
        EXPECT_EQ(result.rowset, nullptr);
    }
    EXPECT_EQ(FolderState(folder.path()), before);
}

// Opens source with the rights of an ordinary user: the superuser ignores
// permissions, so it opens in a child process that gives them up first.
// Returns the status number, or -1 when the child could not run.
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

TEST(HostileFile, WalCatalogInAReadOnlyFolderGivesAClearErrorAndStaysWhole) {
    TempFolder folder;
    const fs::path sub = folder.path() / "ro";
    fs::create_directory(sub);
    const std::string path = (sub / "c.db").string();
    RunSql(path, "PRAGMA journal_mode = WAL;" + kTwoForms);
    ASSERT_FALSE(fs::exists(path + "-wal")) << "the last close folds the WAL back in";
    const std::string bytes = ReadBytes(path);
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(
        sub, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);

    // SQLite cannot read a WAL database without its "-shm" file, which it may
    // not make here: a clear refusal, never SQLite's "attempt to write".
    EXPECT_EQ(OpenAsOrdinaryUser("Form;" + path), errors::kCannotOpen);
    const auto result = Open("Form;" + path);
    if (!result.status.ok()) {
        EXPECT_NE(result.status.description.find("WAL mode"), std::string::npos) << result.status.description;
    }

    fs::permissions(sub, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(path), bytes) << "the catalog itself was changed";
    for (const auto& entry : fs::directory_iterator(sub)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "c.db" || name == "c.db-wal" || name == "c.db-shm") << name;
    }
}

}  // namespace
}  // namespace quorbix::testing
