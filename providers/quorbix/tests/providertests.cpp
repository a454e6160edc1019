// The provider through files: every source, file and catalog in one table.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <thread>

#include "catalogreader.h"
#include "quorbixprovider.h"
#include "readplan.h"

namespace quorbix {
namespace {
namespace fs = std::filesystem;

struct TempFolder {
    std::string name = (fs::temp_directory_path() / "quorbix-test-XXXXXX").string();
    fs::path path = mkdtemp(name.data()) != nullptr ? name : throw std::runtime_error("no temporary folder");
    ~TempFolder() { fs::permissions(path, fs::perms::owner_all), fs::remove_all(path); }
};
void RunSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
}
// The status and rows of an open, whose progress must end at the rows delivered.
auto Open(std::string_view source, int lockType = -1) {
    std::unique_ptr<dataaccess::Rowset> rowset;
    dataaccess::RowsRead rowsRead{0};
    auto status = QuorbixProvider().Open(source, -1, lockType, -1, rowset, &rowsRead);
    EXPECT_EQ(rowsRead, rowset ? rowset->RowCount() : rowsRead.load());
    return std::pair(std::move(status), std::move(rowset));
}
std::string ReadBytes(const fs::path& file) {
    return {std::istreambuf_iterator<char>(std::ifstream(file, std::ios::binary).rdbuf()), {}};
}
// Values as "null", "text:a", "int:5", "real:2.5", "date:2024-01-02 03:04:05[ CET3600]", joined
// by '|' within a row and '\n' between rows.
std::string Walk(const dataaccess::Rowset& rowset) {
    using Kind = dataaccess::Value::Kind;
    std::string rows;
    for (std::size_t row = 0; row < rowset.RowCount(); ++row)
        for (std::size_t column = 0; column < rowset.ColumnCount(); ++column) {
            const dataaccess::Value& v = rowset.Read(row, column);
            char text[80] = "empty";
            rows += column > 0 ? "|" : row > 0 ? "\n" : "";
            if (v.kind() == Kind::Null) rows += "null";
            if (v.kind() == Kind::Text) rows += "text:" + std::string(v.AsText());
            if (v.kind() == Kind::Integer) rows += "int:" + std::to_string(v.AsInteger());
            if (v.kind() == Kind::Real) std::snprintf(text, 80, "real:%.17g", v.AsReal()), rows += text;
            if (v.kind() != Kind::Date) continue;
            const auto& d = v.AsDate();
            std::snprintf(text, 80, "date:%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                          d.minute, d.second);
            rows +=
                text + (d.HasZone() ? " " + std::string(d.zone.data()) + std::to_string(d.utcOffset) : "");
        }
    return rows;
}
// Every connection gets side_effect(), counting its calls; while a file is made, the collation "maker".
int sideEffects = 0;
bool making = false;
int AddFunctions(sqlite3* db, char**, const sqlite3_api_routines*) {
    const auto count = [](sqlite3_context* call, int, sqlite3_value**) {
        sqlite3_result_int(call, ++sideEffects);
    };
    sqlite3_create_function(db, "side_effect", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, count,
                            nullptr, nullptr);
    const auto same = [](void*, int, const void*, int, const void*) { return 0; };
    return making ? sqlite3_create_collation(db, "maker", SQLITE_UTF8, nullptr, same) : SQLITE_OK;
}
sqlite3* writer = nullptr;           // a connection a case leaves open through the open, mid-change
using Make = std::function<void()>;  // makes the case's files in the current folder; the catalog is c.db
Make Sql(const std::string& sql) {
    return [sql] { RunSql("c.db", sql); };
}
// The name column without TEXT affinity, so that numbers stay numbers.
const std::string kColumns = "kind TEXT, name, date_created, date_updated", kTable = "CREATE TABLE objects(";
Make Catalog(const std::string& rows, const std::string& columns = kColumns) {
    return Sql(kTable + columns + "); INSERT INTO objects VALUES " + rows + ";");
}
const Make kOneForm = Catalog("('Form', 'a', NULL, NULL)");
const std::string a = "text:a|null|null";
// Links, a pipe, and names that SQLite would read as URIs or special names.
const Make kOddNames = [] {
    kOneForm();
    fs::create_directory("sub");
    for (const char* name : {"we;ird 'quoted' \"name\".db", "file:real.db", ":memory:x"})
        fs::copy_file("c.db", name);
    mkfifo("pipe", 0600);
    fs::create_symlink("c.db", "link.db"), fs::create_symlink("pipe", "pipe-link.db");
};
// kOneForm, in WAL mode if asked, then change() beside it.
Make Then(bool wal, const Make& change) {
    return [=] { RunSql("c.db", wal ? "PRAGMA journal_mode = WAL;" : ""), kOneForm(), change(); };
}
const Make kLockedMidChange = [] {
    sqlite3_open("c.db", &writer);
    sqlite3_exec(writer, "BEGIN EXCLUSIVE; DELETE FROM objects;", nullptr, nullptr, nullptr);
};
// Long names, last first, no index: rows past a block and names past a chunk, to sort.
const Make kManyForms =
    Sql(kTable + kColumns + ");" +
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4100) "
        "INSERT INTO objects SELECT 'Form', printf('%0600d', 4101 - i), NULL, NULL FROM n;");
// A writer that stops mid-change leaves the file changed and its rollback journal.
const Make kHotJournal = [] {
    kManyForms();
    if (fork() == 0)
        _exit(sqlite3_open("c.db", &writer) |
              sqlite3_exec(writer, "PRAGMA cache_size = 2; BEGIN; UPDATE objects SET name = 'x';", nullptr,
                           nullptr, nullptr));
    int status = 0;
    EXPECT_TRUE(wait(&status) > 0 && WIFEXITED(status) && WEXITSTATUS(status) == SQLITE_OK);
};
struct Case {
    const char* what;
    Make make;
    int number;                        // 0: opens
    std::string expect;                // its rows when it opens, else words of the description, one a line
    std::string source = "Form;c.db";  // c.db is in the folder, which is also $HOME
    int lockType = -1;                 // unspecified, as the program passes it
    int sqliteMiB = 64;                // SQLite's own peak memory during the open stays under it
};
// clang-format off
// By name in any case, ties by row id; only the kind asked for, byte for byte.
const std::string kUnordered = "('Form', 'beta', NULL, NULL), ('Query', 'alpha', NULL, NULL), ('Form', 'alpha', NULL, NULL), ('form', 'Aa', NULL, NULL), ('Form', 'Alpha', NULL, NULL), ('Form ', 'A', NULL, NULL), ('Form', 'ALPHA', NULL, NULL), ('Form', 'Gamma', NULL, NULL), (NULL, 'A', NULL, NULL);";
const std::string kOrdered = "text:alpha|null|null\ntext:Alpha|null|null\ntext:ALPHA|null|null\ntext:beta|null|null\ntext:Gamma|null|null";
const std::string kMiB = "replace(hex(zeroblob(524288)), '0', 'x')", kIndex = "CREATE INDEX k ON objects(kind, name COLLATE NOCASE";
const std::vector<Case> kCases = {
    {"no ';'", kOneForm, 2001, "Form c.db", "Form c.db"},
    {"no kind", kOneForm, 2002, "No object kind was picked: pick Form, Query or Report.", ";c.db"},
    {"kind in the plural", kOneForm, 2002, "'Reports'", "Reports;c.db"},
    {"no database name", kOneForm, 2003, "", "Form;"},
    {"NUL in the name", kOneForm, 2004, "NUL", std::string("Form;c.db\0.txt", 14)},
    {"pessimistic lock", kOneForm, 2030, "read-only", "Form;c.db", 2},
    {"link to a catalog", kOddNames, 0, a, "Form;link.db"},
    {"link to a pipe", kOddNames, 2011, "pipe", "Form;pipe-link.db"},
    {"device, never read", kOddNames, 2011, "device", "Form;/dev/zero"},
    {"folder ending in '/'", kOddNames, 2011, "folder", "Form;sub/"},
    {"a file taken for a folder", kOddNames, 2010, "", "Form;c.db/inside.db"},
    {"name longer than any file name", kOddNames, 2012, "", "Form;" + std::string(5000, 'n')},
    {"';' and quotes in the name", kOddNames, 0, a, "Form;we;ird 'quoted' \"name\".db"},
    {"name like a URI", kOddNames, 0, a, "Form;file:real.db"},
    {"missing file, which stays missing", kOddNames, 2010, "Cannot find", "Form;file:x.db"},
    {"in-memory database", kOddNames, 2010, "", "Form;:memory:"},
    {"the process's own memory", kOneForm, 2012, "Cannot open the database", "Form;/proc/self/mem"},
    {"unreadable file", Then(false, [] { fs::permissions("c.db", fs::perms::none); }), 2012, "Permission denied"},
    {"home folder", kOneForm, 0, a, "Form;~/c.db"},
    {"empty file", [] { std::ofstream("c.db"); }, 2020, "'objects'"},
    {"text file", [] { std::ofstream("c.db") << std::string(3000, 'x'); }, 2013, "not an SQLite database"},
    {"cut short", [] { kManyForms(), fs::resize_file("c.db", 1 << 20); }, 2014, "damaged"},
    {"no catalog", Sql("CREATE TABLE things(kind, name);"), 2020, "'objects'"},
    {"three columns missing", Sql("CREATE TABLE objects(kind TEXT, extra);"), 2021, "name, date_created, date_updated."},
    {"one missing, others in capitals", Sql("CREATE TABLE OBJECTS(KIND, Name, DATE_CREATED, x);"), 2021, "column(s): date_updated."},
    {"view", Sql("CREATE TABLE t(" + kColumns + "); CREATE VIEW objects AS SELECT * FROM t;"), 2022, "is a view"},
    {"virtual table", Sql("CREATE VIRTUAL TABLE objects USING fts5(kind, name, date_created, date_updated);"), 2022, "virtual table"},
    {"WITHOUT ROWID", Sql("CREATE TABLE objects(" + kColumns + ", PRIMARY KEY(kind)) WITHOUT ROWID;"), 2022, "WITHOUT ROWID"},
    {"row ids hidden", Catalog("(1, 2, 3, 4, 5, 6, 7)", kColumns + ", rowid, _rowid_, oid"), 2022, "hide its row"},
    {"hot journal of a writer that stopped mid-change", kHotJournal, 2016, ""},
    // Other programs: a writer locking the file past 2 s, or writing beside a WAL snapshot; a WAL
    // catalog cannot be read without its "-shm", which SQLite may not make in a read-only folder.
    {"locked", Then(false, kLockedMidChange), 2015, "is locked by another program that is writing to it; try again when it has finished."},
    {"WAL mode, a writer mid-change", Then(true, kLockedMidChange), 0, a},
    {"WAL mode, read-only folder", Then(true, [] { fs::permissions(".", fs::perms::owner_read | fs::perms::owner_exec); }), 2012, "WAL mode"},
    {"WAL mode, its -wal and no -shm, read-only folder", Then(true, [] { std::ofstream("c.db-wal"), fs::permissions(".", fs::perms::owner_read | fs::perms::owner_exec); }), 2012, "WAL mode\n'-shm'"},
    {"pipe as -journal", Then(false, [] { mkfifo("c.db-journal", 0600); }), 2017, "c.db-journal' \nnamed pipe"},
    {"folder as -journal", Then(false, [] { fs::create_directory("c.db-journal"); }), 2017, "c.db-journal' \nfolder"},
    {"pipe as -shm", Then(true, [] { mkfifo("c.db-shm", 0600); }), 2017, "c.db-shm' \nnamed pipe"},
    {"link loop as -shm", Then(true, [] { fs::create_symlink("c.db-shm", "c.db-shm"); }), 2017, "c.db-shm' \nsymbolic link"},
    // The order of the rows: under no index the provider sorts, under the others SQLite walks the index;
    // the kind matches byte for byte, whatever collation its column declares.
    {"no index", Catalog(kUnordered), 0, kOrdered},
    {"index on kind and name", Catalog(kUnordered + kIndex + ")"), 0, kOrdered},
    {"the recommended covering index", Catalog(kUnordered + kIndex + ", date_created, date_updated)"), 0, kOrdered},
    {"a column named rowid orders no ties", Catalog("('Form', 'a', NULL, NULL, 'z'), ('Form', 'A', NULL, NULL, 'b')", kColumns + ", rowid"), 0, a + "\ntext:A|null|null"},
    {"no index: sorted in memory, no temporary file", kManyForms, 0, [] { std::string rows; for (int i = 1; i <= 4100; ++i) rows += (i > 1 ? "\ntext:" : "text:") + std::string(600 - std::to_string(i).size(), '0') + std::to_string(i) + "|null|null"; return rows; }()},
    {"no index, and a bad object", [] { kManyForms(), RunSql("c.db", "INSERT INTO objects VALUES ('Form', x'00', 0, 0)"); }, 2023, "row 4101 \n'name'"},
    {"no index, 20 computed names past 1 MiB: the shortest is named, and SQLite never holds them all", Sql(kTable + "kind, n, name AS (printf('%.*c', 1100000 - n, 'x')), date_created, date_updated); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20) INSERT INTO objects(kind, n) SELECT 'Form', i FROM n;"), 2024, "row 20 \n1099980 bytes", "Form;c.db", -1, 8},
    {"kind declared NOCASE, with an index", Catalog("('form', 'b', 0, 0), ('FORM', 'c', 0, 0), ('Form', 'a', NULL, NULL); " + kIndex + ")", "kind TEXT COLLATE NOCASE, name, date_created, date_updated"), 0, a},
    {"kind in the maker's collation", Catalog("('Query', 'b', 0, 0), ('Form', 'a', NULL, NULL); " + kIndex + ")", "kind TEXT COLLATE maker, name, date_created, date_updated"), 0, a},
    // Dates: text is wall-clock, shown as is; Unix seconds and Julian days are
    // UTC instants, shown in local time with its zone, to the nearest second.
    {"text dates, and text that is no date", Catalog("('Form', 'a', '2024-03-05', '2024-03-05 14:30'), ('Form', 'b', '2024-03-05 14:30:59', '2024-02-29T23:59'), ('Form', 'c', '0001-01-01', '9999-12-31 23:59:59'), ('Form', 'd', '2000-02-29', '1900-02-29'), ('Form', 'e', '2023-02-29', '2024-04-31'), ('Form', 'f', '2024-03-05 24:00', '2024-3-05T14:30')"), 0, "text:a|date:2024-03-05 00:00:00|date:2024-03-05 14:30:00\ntext:b|date:2024-03-05 14:30:59|date:2024-02-29 23:59:00\ntext:c|date:0001-01-01 00:00:00|date:9999-12-31 23:59:59\ntext:d|date:2000-02-29 00:00:00|text:1900-02-29\ntext:e|text:2023-02-29|text:2024-04-31\ntext:f|text:2024-03-05 24:00|text:2024-3-05T14:30"},
    {"Unix seconds and Julian days", Catalog("('Form', 'a', 0, 1719792000), ('Form', 'b', 253402297199, 253402297200), ('Form', 'c', -62135600400, -62135600401), ('Form', 'd', 2440587.5, 2460492.5), ('Form', 'e', 2460492.5000046296, 2460492.5000069444)"), 0, "text:a|date:1970-01-01 01:00:00 CET3600|date:2024-07-01 02:00:00 CEST7200\ntext:b|date:9999-12-31 23:59:59 CET3600|int:253402297200\ntext:c|date:0001-01-01 00:00:00 CET3600|int:-62135600401\ntext:d|date:1970-01-01 01:00:00 CET3600|date:2024-07-01 02:00:00 CEST7200\ntext:e|date:2024-07-01 02:00:00 CEST7200|date:2024-07-01 02:00:01 CEST7200"},
    // Names and dates keep their type and every byte; SQLite orders NULL, numbers, text.
    {"odd names", Catalog("('Form', 'a', NULL, NULL), ('Form', 42, NULL, NULL), ('Form', 2.5, NULL, NULL), ('Form', NULL, NULL, NULL), ('Form', '', NULL, NULL), ('Form', 9007199254740993, NULL, NULL), ('Form', 9007199254740992.0, NULL, NULL), ('Form', 2.0, NULL, NULL), ('Form', 2, NULL, NULL), ('Form', 'B', NULL, NULL), ('Form', '_', NULL, NULL)"), 0, "null|null|null\nreal:2|null|null\nint:2|null|null\nreal:2.5|null|null\nint:42|null|null\nreal:9007199254740992|null|null\nint:9007199254740993|null|null\ntext:|null|null\ntext:_|null|null\ntext:a|null|null\ntext:B|null|null"},
    {"NUL bytes and invalid UTF-8", Catalog("('Form', CAST(x'41004200' AS TEXT), CAST(x'00' AS TEXT), CAST(x'c328ff' AS TEXT))"), 0, std::string("text:A\0B\0|text:\0|text:\xc3\x28\xff", 25)},
    {"1 MiB name and date text", Catalog("('Form', " + kMiB + ", NULL, " + kMiB + "), ('Form', 'y', NULL, 'z')"), 0, "text:" + std::string(1 << 20, 'x') + "|null|text:" + std::string(1 << 20, 'x') + "\ntext:y|null|text:z"},
    {"a date one byte longer", Catalog("('Form', 'a', 0, 'y' || " + kMiB + ")"), 2024, "row 1 \n1048577 bytes\n'date_updated'"},
    {"BLOBs: the first by name, counted by row id", Catalog("('Form', x'00', 0, 0), ('Query', x'00', x'00', x'00'), ('Form', 'a', x'00', 0)"), 2023, "row 3 \n'date_created'"},
    // A schema calling a function with side effects, which never runs, or making a row cost far more.
    {"trigger", Catalog("('Form', 'a', NULL, NULL); CREATE TRIGGER t AFTER INSERT ON objects BEGIN SELECT side_effect(); END"), 0, a},
    {"generated column", Catalog("('Form', 'a', 0)", "kind, name, date_created, date_updated AS (side_effect(name))"), 2014, "unsafe use of side_effect()"},
    {"generated dates of ordinary cost, a short replace()", Catalog("('Form', 'a_b', '2024-03-05')", "kind, n, name AS (replace(n, '_', ' ')), date_created, date_updated AS (date(date_created, '+1 day'))"), 0, "text:a b|date:2024-03-05 00:00:00|date:2024-03-06 00:00:00"},
    {"40 upper() calls a row on a 1 MB value", Catalog("('Form', 'a', 0)", [] { std::string c = "kind, name, date_created, g AS (hex(zeroblob(500000))), date_updated AS (0"; for (int i = 0; i < 40; ++i) c += " + length(upper(g))"; return c + ")"; }()), 2025, "too much work\na program of 388 steps for each object, more than 300."},
    {"one LIKE a row of a 10,000-byte pattern against a 2,000-byte value", Catalog("('Form', 'a', 0)", "kind, name, date_created, date_updated AS (hex(zeroblob(1000)) LIKE '%' || hex(zeroblob(5000)) || 'x%')"), 2025, "too much work"},
    {"a 1 MiB default added for 64 rows", Sql(kTable + "kind, date_created, date_updated); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 64) INSERT INTO objects(kind) SELECT 'Form' FROM n; ALTER TABLE objects ADD COLUMN name DEFAULT '" + std::string(1 << 20, 'x') + "';"), 2025, "too much memory\nfirst 40 objects"},
    {"generated columns doubling, 2^14 additions a row", Catalog("('Form', 'a', 0)", [] { std::string c = "kind, name, date_created, g0 AS (length(name))"; for (int i = 1; i < 14; ++i) c += ", g" + std::to_string(i) + " AS (g" + std::to_string(i - 1) + " + g" + std::to_string(i - 1) + ")"; return c + ", date_updated AS (g13 + g13)"; }()), 2025, "too much work"},
    {"a generated value of 400 MB a row, behind a cheap expression at insert", Sql(kTable + "kind, name, date_created, date_updated AS (0)); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20) INSERT INTO objects SELECT 'Form', i, 0 FROM n; PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = replace(sql, '(0)', '(length(hex(zeroblob(2e8 + name))))');"), 2025, "too much work"},
};
// clang-format on

// Names, times and bytes of the folder's entries; its own time shows even a temporary file deleted
// at once, unless the catalog is in WAL mode (byte 18 is 2), where SQLite adds its files.
std::map<std::string, std::string> FolderState() {
    std::map<std::string, std::string> state;
    struct stat info {};
    for (const auto& entry : fs::directory_iterator(".")) {
        lstat(entry.path().c_str(), &info);
        state[entry.path().filename()] =
            std::to_string(info.st_mtim.tv_nsec) + (S_ISREG(info.st_mode) ? ReadBytes(entry.path()) : "");
    }
    stat(".", &info);
    if ((ReadBytes("c.db") + std::string(19, '\0'))[18] != 2)
        state["."] = std::to_string(info.st_mtim.tv_nsec);
    return state.erase("c.db-wal"), state.erase("c.db-shm"), state;
}

TEST(Provider, EachSourceAndFileGivesItsNumberedErrorOrItsRowsAndLeavesTheFolderAlone) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);  // spelled out, so that no zone files are needed
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&AddFunctions));
    // As an ordinary user, whom permissions bind.
    ASSERT_TRUE(geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0));
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what + (": " + c.source));
        const TempFolder folder;
        fs::current_path(folder.path), setenv("HOME", folder.path.c_str(), 1);
        making = true, c.make(), making = false, sideEffects = 0;
        sqlite3_temp_directory = sqlite3_mprintf("%s", folder.path.c_str());
        const auto before = FolderState();
        sqlite3_memory_highwater(1);
        const auto [status, rowset] = Open(c.source, c.lockType);
        EXPECT_LT(sqlite3_memory_highwater(0), std::int64_t{c.sqliteMiB} << 20);
        EXPECT_EQ(status.number, c.number) << status.description;
        EXPECT_EQ(sideEffects, 0);
        EXPECT_EQ(rowset ? Walk(*rowset) : c.expect, c.expect);
        std::istringstream words(rowset ? "" : c.expect);
        for (std::string word; std::getline(words, word);)
            EXPECT_NE(status.description.find(word), std::string::npos) << status.description;
        const std::string name = c.source.substr(c.source.find(';') + 1);
        const fs::path file = folder.path / (name.starts_with("~/") ? name.substr(2) : name);
        EXPECT_EQ(status.description.find("'" + file.string() + "'") != std::string::npos,
                  c.number >= 2010 && c.number != 2030);  // errors past the source string name the file
        EXPECT_EQ(FolderState(), before) << "the provider changed the folder";
        sqlite3_close(std::exchange(writer, nullptr));
        sqlite3_free(std::exchange(sqlite3_temp_directory, nullptr));
    }
}

// The outcomes of count opens of source while another thread runs step over and over.
std::map<int, int> OpensMeanwhile(int count, const std::string& source, const std::function<void()>& step) {
    std::map<int, int> outcomes;
    std::atomic<bool> stop = false;
    std::atomic<int> steps = 0;
    std::thread other([&] {
        while (!stop) step(), ++steps;
    });
    while (steps == 0) std::this_thread::yield();  // else the opens may all be over before it starts
    for (int i = 0; i < count; ++i) ++outcomes[Open(source).first.number];
    stop = true, other.join();
    return outcomes;
}

TEST(Provider, AWriterCommittingBackToBackIsWaitedForAndAPipeSwappedInNeverHangs) {
    const TempFolder folder;
    const std::string path = folder.path / "c.db", pipe = folder.path / "pipe";
    RunSql(path, kTable + kColumns + "); INSERT INTO objects VALUES ('Form', 'a', 0, 0);");
    // Each commit holds the lock 15 ms, with gaps far shorter than a millisecond.
    sqlite3_open(path.c_str(), &writer);
    const auto commit = [] {
        sqlite3_exec(writer, "BEGIN EXCLUSIVE; UPDATE objects SET name = 'b';", nullptr, nullptr, nullptr);
        usleep(15000), sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr), usleep(200);
    };
    EXPECT_EQ(OpensMeanwhile(100, "Form;" + path, commit), (std::map<int, int>{{0, 100}}));
    sqlite3_close(std::exchange(writer, nullptr));
    // Swapped as often as an open takes, to land between the check and the open; a hang times out.
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    auto swapped = OpensMeanwhile(500, "Form;" + path, [&] {
        renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, pipe.c_str(), RENAME_EXCHANGE), usleep(10);
    });
    EXPECT_EQ(swapped[0] + swapped[2011], 500);
}

// An index holding the dates in the order shown is walked; any other index on kind only for a kind
// with a small share of the table (1 Form among 40 Queries, not 40 Forms); the rest is scanned.
TEST(Provider, TheReadPlanWalksACoveringIndexOrARareKindAndScansTheRest) {
    const std::string kRows =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) INSERT INTO objects "
        "SELECT ";
    const std::string common = ");" + kRows + "'Form', i, 0, 0 FROM n;",
                      rare = ");" + kRows +
                             "'Query', i, 0, 0 FROM n; INSERT INTO objects VALUES ('Form', 'a', 0, 0);";
    const std::string pk = kColumns + ", PRIMARY KEY(kind, name)", covering = ", date_created, date_updated)";
    // clang-format off
    const std::vector<std::pair<std::string, const char*>> cases = {
        {kColumns + rare, "scan"},
        {kColumns + common + kIndex + ")", "scan"},
        {kColumns + rare + kIndex + ")", "walk"},
        {kColumns + common + kIndex + covering, "walk"},
        {pk + common, "scan"},
        {pk + rare, "walk"},
        {kColumns + common + "CREATE INDEX k ON objects(kind, name" + covering, "scan"},
        {kColumns + common + kIndex + " DESC" + covering, "scan"},
        {kColumns + common + kIndex + covering + " WHERE kind = 'Form'", "scan"},
        {kColumns + common + "CREATE INDEX k ON objects(kind COLLATE NOCASE, name COLLATE NOCASE" + covering, "scan"},
        {kColumns + common + "CREATE INDEX k ON objects(kind, lower(name)" + covering, "scan"},
    };
    // clang-format on
    for (const auto& [sql, expected] : cases) {
        sqlite3* db = nullptr;
        sqlite3_open(":memory:", &db);
        EXPECT_EQ(sqlite3_exec(db, (kTable + sql).c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        ReadPlan plan = ReadPlan::kWalk;
        EXPECT_EQ(ChooseReadPlan(db, "Form", "rowid", plan), SQLITE_OK);
        EXPECT_STREQ(plan == ReadPlan::kWalk ? "walk" : "scan", expected) << sql;
        sqlite3_close(db);
    }
}

// Without its own sort SQLite walks an index on kind and name: each row query can use one.
TEST(Provider, TheRowQueriesWalkAnIndexOnKindAndNameWithoutSorting) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, (kTable + kColumns + ");" + kIndex + ");").c_str(), nullptr, nullptr, nullptr);
    for (const char* query : CatalogReader::kRowQueries) {
        std::string steps;
        const auto add = [](void* to, int, char** values, char**) {
            return static_cast<std::string*>(to)->append(values[3]), 0;
        };
        sqlite3_exec(db, ("EXPLAIN QUERY PLAN " + std::string(query)).c_str(), add, &steps, nullptr);
        EXPECT_EQ(steps, "SEARCH main.objects USING INDEX k (kind=?)");
    }
    sqlite3_close(db);
}

}  // namespace
}  // namespace quorbix
