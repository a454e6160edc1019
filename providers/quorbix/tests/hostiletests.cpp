// Every kind of file the provider may be given, one table: odd paths, files
// that are no database, damaged, odd or malicious catalogs. Each case must end
// in its numbered error or in a walk over whole values, and leave the folder
// exactly as it was.

#include <sys/stat.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <random>
#include <sstream>

#include "quorbixerrors.h"
#include "testdatabase.h"

namespace quorbix::testing {
namespace {

namespace fs = std::filesystem;
using Make = std::function<void()>;  // runs in the case's folder; the catalog is c.db

constexpr int kAnyOutcome = -1;  // a numbered error or a walk: anything but a crash or a hang

struct Case {
    std::string what;
    Make make;
    int number;                 // 0: opens
    std::string expect = "";    // its rows when it opens, else words of the description; one a line
    std::string open = "c.db";  // relative to the folder, which is also $HOME
    bool wal = false;           // SQLite may add c.db-wal and c.db-shm
};

Make Sql(const std::string& sql) {
    return [sql] { RunSql("c.db", sql); };
}
// The name column without TEXT affinity, so that numbers stay numbers.
const std::string kColumns = "kind TEXT, name, date_created, date_updated";
Make Catalog(const std::string& rows, const std::string& columns = kColumns) {
    return Sql("CREATE TABLE objects(" + columns + "); INSERT INTO objects VALUES " + rows + ";");
}
Make Bytes(const std::string& bytes) {
    return [bytes] { WriteBytes("c.db", bytes); };
}

// A catalog whose one REAL 1234.5 is overwritten with other bits, for values
// SQL cannot write (NaN). SQLite stores reals big-endian.
Make PatchedReal(const std::string& row, std::uint64_t bits) {
    return [row, bits] {
        Catalog(row)();
        std::string bytes = ReadBytes("c.db"), pattern, replacement;
        for (int shift = 56; shift >= 0; shift -= 8) {
            pattern += static_cast<char>(std::bit_cast<std::uint64_t>(1234.5) >> shift & 0xFF);
            replacement += static_cast<char>(bits >> shift & 0xFF);
        }
        ASSERT_NE(bytes.find(pattern), std::string::npos);
        WriteBytes("c.db", bytes.replace(bytes.find(pattern), 8, replacement));
    };
}

// A one-form catalog of the given columns whose schema, with then, calls a
// function only the creating program had.
Make WithFunction(const std::string& columns, const std::string& then = "") {
    return [=] {
        sqlite3* db = nullptr;
        sqlite3_open("c.db", &db);
        sqlite3_create_function(
            db, "side_effect", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
            [](sqlite3_context* context, int, sqlite3_value**) { sqlite3_result_int(context, 1); }, nullptr,
            nullptr);
        const std::string sql = "CREATE TABLE objects(" + columns +
                                "); INSERT INTO objects(kind, name) VALUES ('Form', 'a');" + then;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
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

const Make kOneForm = Catalog("('Form', 'a', 0, 0)");

// kOneForm, in WAL mode if asked, with something made at SQLite's file name
// beside it.
Make Beside(const std::string& name, const std::function<void()>& make, bool wal = false) {
    return [=] {
        if (wal) Sql("PRAGMA journal_mode = WAL;")();
        kOneForm();
        ASSERT_FALSE(fs::exists(name));
        make();
    };
}

// Rows whose dates are both the Unix epoch; kOneForm's is Epoch({"text:a"}).
std::string Epoch(std::initializer_list<std::string> names) {
    std::string rows;
    for (const auto& name : names)
        rows += (rows.empty() ? "" : "\n") + name + "|date:1970-01-01 00:00:00|date:1970-01-01 00:00:00";
    return rows;
}

// count forms of long names, more than SQLite sorts in its cache, and no index.
Make ManyForms(int count, int length) {
    return Sql(std::string(kCatalogTable) +
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n " + "WHERE i < " +
               std::to_string(count) + ") INSERT INTO objects SELECT 'Form', printf('%0" +
               std::to_string(length) + "d', i), 0, 0 FROM n;");
}
std::string ManyFormsRows(int count, int length) {
    std::string rows;
    for (int i = 1; i <= count; ++i) {
        const std::string number = std::to_string(i);
        rows += (i == 1 ? "" : "\n") + Epoch({"text:" + std::string(length - number.size(), '0') + number});
    }
    return rows;
}
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Links, a pipe and names that SQLite would read as URIs or special names.
const Make kOddNames = [] {
    kOneForm();
    fs::create_directory("sub");
    for (const char* name : {"we;ird 'quoted' \"name\".db", "file:real.db", "sub/c.db", ":memory:x"})
        fs::copy_file("c.db", name);
    ASSERT_EQ(mkfifo("pipe", 0600), 0);
    for (const auto& [target, link] : {std::pair{"c.db", "link.db"},
                                       {"pipe", "pipe-link.db"},
                                       {"/dev/zero", "zero-link.db"},
                                       {".", "folder-link.db"},
                                       {"none.db", "dangling.db"}})
        fs::create_symlink(target, link);
};

std::vector<Case> Cases() {
    using namespace errors;
    const std::string a = Epoch({"text:a"});
    std::vector<Case> cases = {
        // Paths: always plain, through links only to regular files.
        {"link to a catalog", kOddNames, 0, a, "link.db"},
        {"pipe", kOddNames, kNotARegularFile, "pipe", "pipe"},
        {"link to a pipe", kOddNames, kNotARegularFile, "pipe", "pipe-link.db"},
        {"link to a device", kOddNames, kNotARegularFile, "device", "zero-link.db"},
        {"link to a folder", kOddNames, kNotARegularFile, "folder", "folder-link.db"},
        {"device, never read", kOddNames, kNotARegularFile, "device", "/dev/zero"},
        {"the folder", kOddNames, kNotARegularFile, "folder", "."},
        {"folder ending in '/'", kOddNames, kNotARegularFile, "folder", "sub/"},
        {"dangling link", kOddNames, kDatabaseNotFound, "Cannot find", "dangling.db"},
        {"a file taken for a folder", kOddNames, kDatabaseNotFound, "", "c.db/inside.db"},
        {"name longer than any file name", kOddNames, kCannotOpen, "", std::string(5000, 'n')},
        {"';' and quotes in the name", kOddNames, 0, a, "we;ird 'quoted' \"name\".db"},
        {"name like a URI", kOddNames, 0, a, "file:real.db"},
        {"name like the in-memory database", kOddNames, 0, a, ":memory:x"},
        {"relative path", kOddNames, 0, a, "sub/c.db"},
        {"missing file, which stays missing", kOddNames, kDatabaseNotFound, "Cannot find", "file:x.db"},
        {"URI options", kOddNames, kDatabaseNotFound, "", "file:real.db?mode=memory"},
        {"in-memory database", kOddNames, kDatabaseNotFound, "", ":memory:"},
        {"in-memory URI", kOddNames, kDatabaseNotFound, "", "file::memory:"},
        {"the process's own memory", kOneForm, kCannotOpen, "Input/output error", "/proc/self/mem"},
        {"home folder", kOneForm, 0, a, "~/c.db"},
        {"missing file in the home folder", kOneForm, kDatabaseNotFound, "", "~/none.db"},
        // Files that hold no catalog.
        {"text file", Bytes(std::string(3000, 'x')), kNotADatabase, "not an SQLite database"},
        {"no catalog", Sql("CREATE TABLE things(kind, name);"), kCatalogMissing, "'objects'"},
        {"three columns missing", Sql("CREATE TABLE objects(kind TEXT, extra);"), kCatalogColumnsMissing,
         "name, date_created, date_updated."},
        {"one missing, others in capitals",
         Sql("CREATE TABLE OBJECTS(KIND, Name, DATE_CREATED, dateupdated);"), kCatalogColumnsMissing,
         "column(s): date_updated."},
        {"view",
         Sql("CREATE TABLE t(kind, name, date_created, date_updated); CREATE VIEW objects AS SELECT * FROM "
             "t;"),
         kCatalogNotATable, "is a view"},
        {"virtual table",
         Sql("CREATE VIRTUAL TABLE objects USING fts5(kind, name, date_created, date_updated);"),
         kCatalogNotATable, "virtual table"},
        {"WITHOUT ROWID",
         Sql("CREATE TABLE objects(kind, name PRIMARY KEY, date_created, date_updated) WITHOUT ROWID;"),
         kCatalogNotATable, "WITHOUT ROWID"},
        {"row ids hidden",
         Sql("CREATE TABLE objects(kind, name, date_created, date_updated, rowid, _rowid_, oid);"),
         kCatalogNotATable, "hide its row"},
        {"hot journal left by a writer that stopped mid-change",
         [] {
             // A copy taken while a writer is halfway through its change is
             // what a crash leaves: the file and its rollback journal.
             sqlite3* writer = nullptr;
             sqlite3_open("w.db", &writer);
             const std::string change =
                 kSmallCatalog + "PRAGMA cache_size = 2; BEGIN; UPDATE objects SET name = 'x';";
             ASSERT_EQ(sqlite3_exec(writer, change.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
             fs::copy_file("w.db", "c.db");
             fs::copy_file("w.db-journal", "c.db-journal");
             sqlite3_close(writer);
             fs::remove("w.db");
         },
         kUnfinishedChange},
        // SQLite's own files beside the catalog, which must be plain files.
        {"pipe as -journal", Beside("c.db-journal", [] { mkfifo("c.db-journal", 0600); }), kSidecarNotAFile,
         "c.db-journal' \nnamed pipe"},
        {"folder as -journal", Beside("c.db-journal", [] { fs::create_directory("c.db-journal"); }),
         kSidecarNotAFile, "c.db-journal' \nfolder"},
        {"pipe as -wal",
         Beside(
             "c.db-wal", [] { mkfifo("c.db-wal", 0600); }, true),
         kSidecarNotAFile, "c.db-wal' \nnamed pipe", "c.db", true},
        {"pipe as -shm",
         Beside(
             "c.db-shm", [] { mkfifo("c.db-shm", 0600); }, true),
         kSidecarNotAFile, "c.db-shm' \nnamed pipe", "c.db", true},
        {"link loop as -shm",
         Beside(
             "c.db-shm", [] { fs::create_symlink("c.db-shm", "c.db-shm"); }, true),
         kSidecarNotAFile, "c.db-shm' \nsymbolic link", "c.db", true},
        // Which rows, in what order, and what each odd value becomes.
        {"only the chosen kind, by name in any case, ties by row id",
         Catalog(
             "('Form', 'beta', 0, 0), ('Query', 'alpha', 0, 0), ('Form', 'alpha', 0, 0), ('form', 'Aa', 0, "
             "0),"
             "('Form', 'Alpha', 0, 0), ('Form', 'ALPHA', 0, 0), ('Form', 'Gamma', 0, 0), (NULL, 'A', 0, 0)"),
         0, Epoch({"text:alpha", "text:Alpha", "text:ALPHA", "text:beta", "text:Gamma"})},
        {"kind without objects", Catalog("('Query', 'a', 0, 0)"), 0, {}},
        {"a column named rowid, which does not disturb the order",
         Sql("CREATE TABLE objects(kind TEXT, name TEXT, date_created, date_updated, rowid);"
             "INSERT INTO objects(_rowid_, kind, name, rowid) VALUES (1, 'Form', 'a', 'z'), (2, 'Form', 'A', "
             "'b');"),
         0, "text:a|null|null\ntext:A|null|null"},
        {"WAL mode", [] { Sql("PRAGMA journal_mode = WAL;")(), kOneForm(); }, 0, a, "c.db", true},
        {"names keep their type and every byte; SQLite orders NULL, numbers, text",
         Catalog(
             "('Form', 'a', 0, 0), ('Form', 42, 0, 0), ('Form', 2.5, 0, 0), ('Form', NULL, 0, 0),"
             "('Form', '', 0, 0), ('Form', '2024-01-02', 0, 0), ('Form', CAST(x'c328ff80' AS TEXT), 0, 0)"),
         0,
         Epoch(
             {"null", "real:2.5", "int:42", "text:", "text:2024-01-02", "text:a", "text:\xc3\x28\xff\x80"})},
        {"1 MB name", Catalog("('Form', replace(hex(zeroblob(524288)), '0', 'x'), 0, 0)"), 0,
         Epoch({"text:" + std::string(1 << 20, 'x')})},
        {"a date one byte longer",
         Catalog("('Form', 'a', 0, 'y' || replace(hex(zeroblob(524288)), '0', 'x'))"), kValueTooLong,
         "row 1 \n1048577 bytes\n'date_updated'"},
        {"NUL bytes and invalid UTF-8 in dates",
         Catalog("('Form', CAST(x'41004200' AS TEXT), CAST(x'00' AS TEXT), CAST(x'fe' AS TEXT))"), 0,
         std::string("text:A\0B\0|text:\0|text:\xfe", 23)},
        {"dates at the ends of the years 1 to 9999, and past them",
         Catalog("('Form', 'a', '0001-01-01', '9999-12-31 23:59:59'), ('Form', 'b', '10000-01-01', "
                 "'9999-12-31T23:59:60'), ('Form', 'c', -62135596800, 253402300799),"
                 "('Form', 'd', -62135596801, 253402300800), ('Form', 'e', 1721425.5, 5373484.4999884)"),
         0,
         "text:a|date:0001-01-01 00:00:00|date:9999-12-31 23:59:59\n"
         "text:b|text:10000-01-01|text:9999-12-31T23:59:60\n"
         "text:c|date:0001-01-01 00:00:00|date:9999-12-31 23:59:59\n"
         "text:d|int:-62135596801|int:253402300800\n"
         "text:e|date:0001-01-01 00:00:00|date:9999-12-31 23:59:59"},
        {"negative and huge Julian days",
         Catalog("('Form', 'a', -1.5, 1e300), ('Form', 'b', -1e300, 5373484.5), ('Form', 'c', 0.0, 1.0e18)"),
         0,
         "text:a|real:-1.5|real:1.0000000000000001e+300\ntext:b|real:-1.0000000000000001e+300|real:5373484."
         "5\n"
         "text:c|real:0|real:1e+18"},
        {"infinite reals", Catalog("('Form', 9e999, -9e999, 9e999)"), 0, "real:inf|real:-inf|real:inf"},
        {"NaN name, read as NULL", PatchedReal("('Form', 1234.5, 0, 0)", 0x7FF8000000000000u), 0,
         Epoch({"null"})},
        {"NaN date", PatchedReal("('Form', 'a', 0, 1234.5)", 0xFFF0000000000001u), 0,
         "text:a|date:1970-01-01 00:00:00|null"},
        {"INT64 min and max",
         Catalog("('Form', -9223372036854775808, -9223372036854775808, 9223372036854775807),"
                 "('Form', 9223372036854775807, 0, 0)"),
         0,
         "int:-9223372036854775808|int:-9223372036854775808|int:9223372036854775807\n" +
             Epoch({"int:9223372036854775807"})},
        {"BLOB name, counted by row id; other kinds' BLOBs are not read",
         Sql(std::string(kCatalogTable) + "INSERT INTO objects(rowid, kind, name, date_created, "
                                          "date_updated) VALUES (17, 'Form', x'00ff', 0, 0),"
                                          "(3, 'Form', 'a', 0, 0), (18, 'Query', x'00', x'00', x'00');"),
         kBlobValue, "row 17 \n'name'"},
        {"BLOB creation date", Catalog("('Form', 'a', x'', 0)"), kBlobValue, "row 1 \n'date_created'"},
        {"BLOB update date", Catalog("('Form', 'a', 0, zeroblob(10))"), kBlobValue, "row 1 \n'date_updated'"},
        {"BLOB kind, which matches no kind", Catalog("(x'466f726d', 'b', 0, 0), ('Form', 'a', 0, 0)"), 0, a},
        {"integer kinds", Catalog("(1, 'one', 0, 0), (0, 'zero', 0, 0), ('Form', 'a', 0, 0)"), 0, a},
        // A schema calling a function only the creating program had.
        {"trigger",
         WithFunction(kColumns, "CREATE TRIGGER t AFTER INSERT ON objects BEGIN SELECT side_effect(); END;"),
         0, "text:a|null|null"},
        {"CHECK", WithFunction("kind, name CHECK (side_effect(name)), date_created, date_updated"), 0,
         "text:a|null|null"},
        {"view", WithFunction(kColumns, "CREATE VIEW v AS SELECT side_effect(name) FROM objects;"), 0,
         "text:a|null|null"},
        {"generated column", WithFunction("kind, name, date_created, date_updated AS (side_effect(name))"),
         kSqliteError},
        // A schema that makes each row cost far more than reading it.
        {"a generated value of 400 MB a row",
         // Written with a cheap expression, which inserting would compute.
         Sql("CREATE TABLE objects(kind, name, date_created, date_updated AS (0));"
             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20) "
             "INSERT INTO objects(kind, name, date_created) SELECT 'Form', i, 0 FROM n;"
             "PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = replace(sql, 'AS (0)', "
             "'AS (length(hex(zeroblob(200000000 + length(name)))))') WHERE name = 'objects';"),
         kTooMuchWork, "too much work"},
        {"generated columns doubling, 2^14 additions a row",
         [] {
             std::string columns = "kind, name, date_created, g0 AS (length(name))";
             for (int i = 1; i <= 13; ++i)
                 columns += ", g" + std::to_string(i) + " AS (g" + std::to_string(i - 1) + " + g" +
                            std::to_string(i - 1) + ")";
             Catalog("('Form', 'a', 0)", columns + ", date_updated AS (g13 + g13)")();
         },
         kTooMuchWork, "too much work"},
        {"no index: sorted in memory, no temporary file", ManyForms(4000, 600), 0, ManyFormsRows(4000, 600)},
        // The kind matches byte for byte, whatever collation its column declares.
        {"kind declared NOCASE, with an index",
         Sql("CREATE TABLE objects(kind TEXT COLLATE NOCASE, name, date_created, date_updated);"
             "CREATE INDEX objects_kind_name ON objects(kind, name COLLATE NOCASE);"
             "INSERT INTO objects VALUES ('form', 'b', 0, 0), ('FORM', 'c', 0, 0), ('Form', 'a', 0, 0);"),
         0, a},
        {"kind declared RTRIM",
         Sql("CREATE TABLE objects(kind TEXT COLLATE RTRIM, name, date_created, date_updated);"
             "INSERT INTO objects VALUES ('Form   ', 'b', 0, 0), ('Form', 'a', 0, 0);"),
         0, a},
        {"kind in a collation only the file's maker had",
         [] {
             sqlite3* db = nullptr;
             sqlite3_open("c.db", &db);
             sqlite3_create_collation(db, "maker", SQLITE_UTF8, nullptr,
                                      [](void*, int, const void*, int, const void*) { return 0; });
             const char* sql =
                 "CREATE TABLE objects(kind TEXT COLLATE maker, name, date_created, date_updated);"
                 "CREATE INDEX objects_kind_name ON objects(kind, name COLLATE NOCASE);"
                 "INSERT INTO objects VALUES ('Query', 'b', 0, 0), ('Form', 'a', 0, 0);";
             EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
             sqlite3_close(db);
         },
         0, a},
    };

    // The small catalog cut short at every page boundary, the empty file
    // included, and with one bit flipped anywhere. A flip in the header may
    // make it a WAL-mode database, so SQLite may add its own files.
    TempFolder folder;
    RunSql(folder.File("c.db"), kSmallCatalog);
    const std::string bytes = ReadBytes(folder.File("c.db"));
    for (std::size_t size = 0; size < bytes.size(); size += 512) {
        cases.push_back({"cut to " + std::to_string(size) + " bytes", Bytes(bytes.substr(0, size)),
                         size == 0 ? kCatalogMissing : kDatabaseCorrupt,
                         size == 0 ? "'objects'" : "damaged"});
    }
    for (unsigned draw = 1; draw <= 200; ++draw) {
        std::mt19937 random(draw);
        const std::size_t bit = std::uniform_int_distribution<std::size_t>(0, bytes.size() * 8 - 1)(random);
        std::string flipped = bytes;
        flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
        cases.push_back({"draw " + std::to_string(draw) + ": bit " + std::to_string(bit) + " flipped",
                         Bytes(flipped), kAnyOutcome, "", "c.db", true});
    }
    return cases;
}

void Check(const Case& c) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    const struct Back {
        fs::path old = fs::current_path();
        ~Back() { fs::current_path(old); }
    } back;
    fs::current_path(folder.path());
    ScopedEnvironment home("HOME", folder.path().c_str());
    c.make();
    // A temporary file SQLite made here, even one deleted at once, would
    // change the folder's own time.
    sqlite3_temp_directory = sqlite3_mprintf("%s", folder.path().c_str());
    const auto state = [&] {
        auto files = FolderState(".");
        if (c.wal) files.erase("c.db-wal"), files.erase("c.db-shm");
        struct stat info {};
        stat(".", &info);
        if (!c.wal)
            files["."] = std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
        return files;
    };
    const auto before = state();

    const auto result = Open("Form;" + c.open);
    const std::string& why = result.status.description;
    if (result.status.ok()) {
        ASSERT_NE(result.rowset, nullptr);
        const auto rows = Walk(*result.rowset);
        EXPECT_TRUE(c.number <= 0) << "opened, but should give error " << c.number;
        EXPECT_EQ(rows, c.number == 0 ? Lines(c.expect) : rows);
    } else {
        EXPECT_EQ(result.rowset, nullptr);
        EXPECT_TRUE(c.number == kAnyOutcome ? result.status.number / 1000 == 2
                                            : result.status.number == c.number)
            << result.status.number << " " << why;
        for (const std::string& word : Lines(c.expect)) EXPECT_NE(why.find(word), std::string::npos) << why;
        const fs::path named = c.open.starts_with("~/") ? c.open.substr(2) : c.open;
        EXPECT_NE(why.find("'" + (folder.path() / named).string() + "'"), std::string::npos) << why;
    }
    EXPECT_EQ(state(), before) << "the provider changed the folder";
    sqlite3_free(std::exchange(sqlite3_temp_directory, nullptr));
}

TEST(DatabaseFile, EndsInItsNumberedErrorOrAWalkOverWholeValues) {
    // Instants are shown in UTC here, so that the table reads plainly.
    ScopedEnvironment utc("TZ", "UTC0");
    for (const auto& c : Cases()) Check(c);
}

// The damaged copies are worth something only if the whole one opens.
TEST(DatabaseFile, UndamagedSmallCatalogWalksWhole) {
    TempFolder folder;
    RunSql(folder.File("c.db"), kSmallCatalog);
    const auto result = Open("Query;" + folder.File("c.db"));
    ASSERT_TRUE(result.status.ok()) << result.status.description;
    EXPECT_EQ(Walk(*result.rowset).size(), 20u);
}

}  // namespace
}  // namespace quorbix::testing
