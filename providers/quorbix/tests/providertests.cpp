// The provider through files: every kind of source, file and catalog in one
// table, then other programs at the file, permissions, and what nothing but
// the plug-in and the row storage show.

#include <dlfcn.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "catalog.h"
#include "catalogreader.h"
#include "openoptions.h"
#include "quorbixprovider.h"

namespace quorbix {
namespace {

namespace fs = std::filesystem;
using Make = std::function<void()>;  // makes the case's files in the current folder; the catalog is c.db

// A fresh folder, removed with its contents at the end of the test.
struct TempFolder {
    fs::path path = [] {
        std::string name = (fs::temp_directory_path() / "quorbix-test-XXXXXX").string();
        return mkdtemp(name.data()) != nullptr ? fs::path(name) : throw std::runtime_error("no temporary folder");
    }();
    TempFolder() = default;
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() { fs::remove_all(path); }
    std::string File(const char* name) const { return (path / name).string(); }
};

void RunSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db) << sql;
    sqlite3_close(db);
}

struct Opened {
    dataaccess::Status status;
    std::unique_ptr<dataaccess::Rowset> rowset;
};
Opened Open(std::string_view source, int lockType = dataaccess::adLockReadOnly) {
    Opened result;
    dataaccess::RowsRead rowsRead{0};
    result.status = QuorbixProvider().Open(source, dataaccess::adOpenStatic, lockType, dataaccess::adCmdUnspecified,
                                           result.rowset, &rowsRead);
    // Progress ends at the rows delivered.
    EXPECT_EQ(rowsRead, result.rowset ? result.rowset->RowCount() : rowsRead.load());
    return result;
}

std::string ReadBytes(const fs::path& file) {
    std::ostringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    return bytes.str();
}

// A value as one short string: "null", "text:a", "int:5", "real:2.5",
// "date:2024-01-02 03:04:05", an instant with its zone: "date:... CET3600".
std::string Describe(const dataaccess::Value& value) {
    using Kind = dataaccess::Value::Kind;
    char text[80] = "empty";
    if (value.kind() == Kind::Null) return "null";
    if (value.kind() == Kind::Text) return "text:" + std::string(value.AsText());
    if (value.kind() == Kind::Integer) return "int:" + std::to_string(value.AsInteger());
    if (value.kind() == Kind::Real) std::snprintf(text, sizeof text, "real:%.17g", value.AsReal());
    if (value.kind() != Kind::Date) return text;
    const auto& d = value.AsDate();
    std::snprintf(text, sizeof text, "date:%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute,
                  d.second);
    return text + (d.HasZone() ? " " + std::string(d.zone.data()) + std::to_string(d.utcOffset) : "");
}

// Every row as its values joined by '|', read last row first as a cursor
// moving back would.
std::vector<std::string> Walk(const dataaccess::Rowset& rowset) {
    std::vector<std::string> rows(rowset.RowCount());
    for (std::size_t row = rows.size(); row-- > 0;) {
        for (std::size_t column = 0; column < rowset.ColumnCount(); ++column)
            rows[row] += (column == 0 ? "" : "|") + Describe(rowset.Read(row, column));
    }
    return rows;
}

// Every connection of this process has side_effect(), which counts its calls;
// while a file is made, also the collation "maker" that only its maker had.
int sideEffects = 0;
bool making = false;
int AddFunctions(sqlite3* db, char**, const sqlite3_api_routines*) {
    const auto call = [](sqlite3_context* context, int, sqlite3_value**) { sqlite3_result_int(context, ++sideEffects); };
    sqlite3_create_function(db, "side_effect", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, call, nullptr, nullptr);
    const auto same = [](void*, int, const void*, int, const void*) { return 0; };
    return making ? sqlite3_create_collation(db, "maker", SQLITE_UTF8, nullptr, same) : SQLITE_OK;
}

Make Sql(const std::string& sql) {
    return [sql] { RunSql("c.db", sql); };
}
// The name column without TEXT affinity, so that numbers stay numbers.
const std::string kColumns = "kind TEXT, name, date_created, date_updated";
Make Catalog(const std::string& rows, const std::string& columns = kColumns) {
    return Sql("CREATE TABLE objects(" + columns + "); INSERT INTO objects VALUES " + rows + ";");
}
Make Dates(const std::string& created, const std::string& updated) {
    return Catalog("('Form', 'a', " + created + ", " + updated + ")");
}
const Make kOneForm = Catalog("('Form', 'a', NULL, NULL)");
const std::string a = "text:a|null|null";

// Links, a pipe, and names that SQLite would read as URIs or special names.
const Make kOddNames = [] {
    kOneForm();
    fs::create_directory("sub");
    for (const char* name : {"we;ird 'quoted' \"name\".db", "file:real.db", "sub/c.db", ":memory:x"})
        fs::copy_file("c.db", name);
    mkfifo("pipe", 0600);
    for (const auto& [target, link] : {std::pair{"c.db", "link.db"}, {"pipe", "pipe-link.db"}, {".", "folder-link.db"},
                                       {"/dev/zero", "zero-link.db"}, {"none.db", "dangling.db"}})
        fs::create_symlink(target, link);
};

// kOneForm, in WAL mode if asked, with a pipe ('p'), a folder ('d') or a link
// to itself ('l') at one of the names of SQLite's own files.
Make Beside(const char* name, char what, bool wal = false) {
    return [=] {
        RunSql("c.db", wal ? "PRAGMA journal_mode = WAL;" : "");
        kOneForm();
        if (what == 'p') mkfifo(name, 0600);
        if (what == 'd') fs::create_directory(name);
        if (what == 'l') fs::create_symlink(name, name);
    };
}

// 60 objects, 20 of each kind, with the recommended index, in pages of 512
// bytes: many page boundaries.
const std::string kSmallCatalog =
    "PRAGMA page_size = 512; CREATE TABLE objects(" + kColumns + "); CREATE INDEX k ON objects(kind, name "
    "COLLATE NOCASE); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) INSERT INTO "
    "objects SELECT CASE i % 3 WHEN 0 THEN 'Form' WHEN 1 THEN 'Query' ELSE 'Report' END, printf('%0100d', i), 0, 0 FROM n;";
Make Cut(std::uintmax_t size) {
    return [=] { RunSql("c.db", kSmallCatalog), fs::resize_file("c.db", size); };
}

// A copy taken while a writer is halfway through a change is what a crash
// leaves: the file and its rollback journal.
const Make kHotJournal = [] {
    sqlite3* writer = nullptr;
    sqlite3_open("w.db", &writer);
    const std::string change = kSmallCatalog + "PRAGMA cache_size = 2; BEGIN; UPDATE objects SET name = 'x';";
    EXPECT_EQ(sqlite3_exec(writer, change.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    fs::copy_file("w.db", "c.db"), fs::copy_file("w.db-journal", "c.db-journal");
    sqlite3_close(writer);
    fs::remove("w.db");
};

// A generated value of 400 MB a row, written with a cheap expression that
// inserting computes; and generated columns doubling, 2^14 steps a row.
const Make kHugeValue = Sql(
    "CREATE TABLE objects(kind, name, date_created, date_updated AS (0)); WITH RECURSIVE n(i) AS (SELECT 1 UNION "
    "ALL SELECT i + 1 FROM n WHERE i < 20) INSERT INTO objects(kind, name) SELECT 'Form', i FROM n; PRAGMA "
    "writable_schema = ON; UPDATE sqlite_schema SET sql = replace(sql, '(0)', '(length(hex(zeroblob(2e8 + name))))');");
const Make kDoubling = [] {
    std::string columns = "kind, name, date_created, g0 AS (length(name))";
    for (int i = 1; i <= 14; ++i) columns += ", g" + std::to_string(i) + " AS (g" + std::to_string(i - 1) + " + g" + std::to_string(i - 1) + ")";
    Catalog("('Form', 'a', 0)", columns + ", date_updated AS (g14)")();
};

// More long names than SQLite sorts in its cache, and no index.
const Make kManyForms = Sql(std::string("CREATE TABLE objects(") + kColumns + "); WITH RECURSIVE n(i) AS "
                            "(SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4000) INSERT INTO objects SELECT "
                            "'Form', printf('%0600d', i), NULL, NULL FROM n;");
std::string ManyForms() {
    std::string rows;
    for (int i = 1; i <= 4000; ++i) rows += "text:" + std::string(600 - std::to_string(i).size(), '0') + std::to_string(i) + "|null|null\n";
    return rows;
}

// By name in any case, ties by row id; only the kind asked for, byte for byte.
Make Ordered(const std::string& index) {
    return Sql("CREATE TABLE objects(" + kColumns + ");" + index + "INSERT INTO objects(kind, name) VALUES "
               "('Form', 'beta'), ('Query', 'alpha'), ('Form', 'alpha'), ('form', 'Aa'), ('Form', 'Alpha'), "
               "('Form ', 'A'), ('Form', 'ALPHA'), ('Form', 'Gamma'), (NULL, 'A');");
}
const std::string kOrdered = "text:alpha|null|null\ntext:Alpha|null|null\ntext:ALPHA|null|null\ntext:beta|null|null\ntext:Gamma|null|null";
const std::string kIndex = "CREATE INDEX k ON objects(kind, name COLLATE NOCASE";

struct Case {
    const char* what;
    Make make;
    int number;                        // 0: opens
    std::string expect;                // its rows when it opens, else words of the description; one a line
    std::string source = "Form;c.db";  // c.db is in the folder, which is also $HOME
    int lockType = dataaccess::adLockReadOnly;
};

// clang-format off
const std::vector<Case> kCases = {
    // Source strings and options, checked before any file is touched.
    {"empty source", kOneForm, 2001, "';'", ""},
    {"no ';'", kOneForm, 2001, "Form c.db", "Form c.db"},
    {"no kind", kOneForm, 2002, "No object kind was picked: pick Form, Query or Report.", ";c.db"},
    {"kind in another case", kOneForm, 2002, "'form'\nForm\nQuery\nReport", "form;c.db"},
    {"kind with a space", kOneForm, 2002, "'Form '", "Form ;c.db"},
    {"kind in the plural", kOneForm, 2002, "'Reports'", "Reports;c.db"},
    {"kind Report, none here", kOneForm, 0, "", "Report;c.db"},
    {"no database name", kOneForm, 2003, "", "Form;"},
    {"NUL in the name", kOneForm, 2004, "NUL", std::string("Form;c.db\0.txt", 14)},
    {"pessimistic lock", kOneForm, 2030, "read-only", "Form;c.db", 2},
    {"optimistic lock", kOneForm, 2030, "read-only", "Form;c.db", 3},
    {"batch optimistic lock", kOneForm, 2030, "read-only", "Form;c.db", 4},
    {"unspecified lock", kOneForm, 0, a, "Form;c.db", -1},
    // Paths: always plain, through links only to regular files.
    {"link to a catalog", kOddNames, 0, a, "Form;link.db"},
    {"pipe", kOddNames, 2011, "pipe", "Form;pipe"},
    {"link to a pipe", kOddNames, 2011, "pipe", "Form;pipe-link.db"},
    {"link to a device", kOddNames, 2011, "device", "Form;zero-link.db"},
    {"link to a folder", kOddNames, 2011, "folder", "Form;folder-link.db"},
    {"device, never read", kOddNames, 2011, "device", "Form;/dev/zero"},
    {"the folder", kOddNames, 2011, "folder", "Form;."},
    {"folder ending in '/'", kOddNames, 2011, "folder", "Form;sub/"},
    {"dangling link", kOddNames, 2010, "Cannot find", "Form;dangling.db"},
    {"a file taken for a folder", kOddNames, 2010, "", "Form;c.db/inside.db"},
    {"name longer than any file name", kOddNames, 2012, "", "Form;" + std::string(5000, 'n')},
    {"';' and quotes in the name", kOddNames, 0, a, "Form;we;ird 'quoted' \"name\".db"},
    {"name like a URI", kOddNames, 0, a, "Form;file:real.db"},
    {"name like the in-memory database", kOddNames, 0, a, "Form;:memory:x"},
    {"relative path", kOddNames, 0, a, "Form;sub/c.db"},
    {"missing file, which stays missing", kOddNames, 2010, "Cannot find", "Form;file:x.db"},
    {"URI options", kOddNames, 2010, "", "Form;file:real.db?mode=memory"},
    {"in-memory database", kOddNames, 2010, "", "Form;:memory:"},
    {"in-memory URI", kOddNames, 2010, "", "Form;file::memory:"},
    {"the process's own memory", kOneForm, 2012, "Input/output error", "Form;/proc/self/mem"},
    {"home folder", kOneForm, 0, a, "Form;~/c.db"},
    {"missing file in the home folder", kOneForm, 2010, "", "Form;~/none.db"},
    // Files that hold no catalog, or a damaged one.
    {"empty file", Cut(0), 2020, "'objects'"},
    {"text file", [] { std::ofstream("c.db") << std::string(3000, 'x'); }, 2013, "not an SQLite database"},
    {"cut short", Cut(4096), 2014, "damaged"},
    {"no catalog", Sql("CREATE TABLE things(kind, name);"), 2020, "'objects'"},
    {"three columns missing", Sql("CREATE TABLE objects(kind TEXT, extra);"), 2021, "name, date_created, date_updated."},
    {"one missing, others in capitals", Sql("CREATE TABLE OBJECTS(KIND, Name, DATE_CREATED, x);"), 2021, "column(s): date_updated."},
    {"view", Sql("CREATE TABLE t(" + kColumns + "); CREATE VIEW objects AS SELECT * FROM t;"), 2022, "is a view"},
    {"virtual table", Sql("CREATE VIRTUAL TABLE objects USING fts5(kind, name, date_created, date_updated);"), 2022, "virtual table"},
    {"WITHOUT ROWID", Sql("CREATE TABLE objects(" + kColumns + ", PRIMARY KEY(kind)) WITHOUT ROWID;"), 2022, "WITHOUT ROWID"},
    {"row ids hidden", Catalog("(1, 2, 3, 4, 5, 6, 7)", kColumns + ", rowid, _rowid_, oid"), 2022, "hide its row"},
    {"hot journal of a writer that stopped mid-change", kHotJournal, 2016, ""},
    // SQLite's own files beside the catalog, which must be plain files.
    {"pipe as -journal", Beside("c.db-journal", 'p'), 2017, "c.db-journal' \nnamed pipe"},
    {"folder as -journal", Beside("c.db-journal", 'd'), 2017, "c.db-journal' \nfolder"},
    {"pipe as -wal", Beside("c.db-wal", 'p', true), 2017, "c.db-wal' \nnamed pipe"},
    {"pipe as -shm", Beside("c.db-shm", 'p', true), 2017, "c.db-shm' \nnamed pipe"},
    {"link loop as -shm", Beside("c.db-shm", 'l', true), 2017, "c.db-shm' \nsymbolic link"},
    {"WAL mode", Beside("", 0, true), 0, a},
    // The order of the rows, under no index, the recommended one and the covering one.
    {"no index", Ordered(""), 0, kOrdered},
    {"recommended index", Ordered(kIndex + ");"), 0, kOrdered},
    {"covering index", Ordered(kIndex + ", date_created, date_updated);"), 0, kOrdered},
    {"a column named rowid orders no ties", Catalog("('Form', 'a', NULL, NULL, 'z'), ('Form', 'A', NULL, NULL, 'b')", kColumns + ", rowid"), 0, a + "\ntext:A|null|null"},
    {"no index: sorted in memory, no temporary file", kManyForms, 0, ManyForms()},
    // The kind matches byte for byte, whatever collation its column declares.
    {"kind declared NOCASE, with an index", Catalog("('form', 'b', 0, 0), ('FORM', 'c', 0, 0), ('Form', 'a', NULL, NULL); " + kIndex + ")", "kind TEXT COLLATE NOCASE, name, date_created, date_updated"), 0, a},
    {"kind declared RTRIM", Catalog("('Form   ', 'b', 0, 0), ('Form', 'a', NULL, NULL)", "kind TEXT COLLATE RTRIM, name, date_created, date_updated"), 0, a},
    {"kind in the maker's collation", Catalog("('Query', 'b', 0, 0), ('Form', 'a', NULL, NULL); " + kIndex + ")", "kind TEXT COLLATE maker, name, date_created, date_updated"), 0, a},
    {"BLOB and integer kinds", Catalog("(x'466f726d', 'b', 0, 0), (0, 'c', 0, 0), ('Form', 'a', NULL, NULL)"), 0, a},
    // Dates: text is wall-clock, shown as is; Unix seconds and Julian days are
    // UTC instants, shown in local time with its zone, to the nearest second.
    {"text dates", Dates("'2024-03-05'", "'2024-03-05 14:30'"), 0, "text:a|date:2024-03-05 00:00:00|date:2024-03-05 14:30:00"},
    {"text dates", Dates("'2024-03-05 14:30:59'", "'2024-02-29T23:59'"), 0, "text:a|date:2024-03-05 14:30:59|date:2024-02-29 23:59:00"},
    {"text dates", Dates("'0001-01-01'", "'9999-12-31 23:59:59'"), 0, "text:a|date:0001-01-01 00:00:00|date:9999-12-31 23:59:59"},
    {"leap days", Dates("'2000-02-29'", "'1900-02-29'"), 0, "text:a|date:2000-02-29 00:00:00|text:1900-02-29"},
    {"no dates", Dates("'2023-02-29'", "'2024-04-31'"), 0, "text:a|text:2023-02-29|text:2024-04-31"},
    {"no dates", Dates("'2025-13-45'", "'2024-3-05'"), 0, "text:a|text:2025-13-45|text:2024-3-05"},
    {"no dates", Dates("'+024-03-05'", "'0000-01-01'"), 0, "text:a|text:+024-03-05|text:0000-01-01"},
    {"no dates", Dates("'10000-01-01'", "'9999-12-31T23:59:60'"), 0, "text:a|text:10000-01-01|text:9999-12-31T23:59:60"},
    {"no dates", Dates("'2024-03-05 14:60'", "'2024-03-05 24:00'"), 0, "text:a|text:2024-03-05 14:60|text:2024-03-05 24:00"},
    {"no dates", Dates("'2024-03-05 14:30:'", "'2024-03-05 14:30:00.5'"), 0, "text:a|text:2024-03-05 14:30:|text:2024-03-05 14:30:00.5"},
    {"no dates", Dates("'2024-03-05T14:30Z'", "'yesterday'"), 0, "text:a|text:2024-03-05T14:30Z|text:yesterday"},
    {"Unix seconds", Dates("0", "1719792000"), 0, "text:a|date:1970-01-01 01:00:00 CET3600|date:2024-07-01 02:00:00 CEST7200"},
    {"Unix seconds", Dates("1704063600", "253402297199"), 0, "text:a|date:2024-01-01 00:00:00 CET3600|date:9999-12-31 23:59:59 CET3600"},
    {"Unix seconds", Dates("253402297200", "-62135600400"), 0, "text:a|int:253402297200|date:0001-01-01 00:00:00 CET3600"},
    {"Unix seconds", Dates("-62135600401", "-9223372036854775808"), 0, "text:a|int:-62135600401|int:-9223372036854775808"},
    {"Julian days", Dates("2440587.5", "2460492.5"), 0, "text:a|date:1970-01-01 01:00:00 CET3600|date:2024-07-01 02:00:00 CEST7200"},
    {"Julian days", Dates("2460492.5000046296", "2460492.5000069444"), 0, "text:a|date:2024-07-01 02:00:00 CEST7200|date:2024-07-01 02:00:01 CEST7200"},
    {"Julian days", Dates("5373484.5", "-1.5"), 0, "text:a|real:5373484.5|real:-1.5"},
    {"Julian days", Dates("1e300", "-9e999"), 0, "text:a|real:1.0000000000000001e+300|real:-inf"},
    // Names and dates keep their type and every byte; SQLite orders NULL, numbers, text.
    {"odd names", Catalog("('Form', 'a', NULL, NULL), ('Form', 42, NULL, NULL), ('Form', 2.5, NULL, NULL), ('Form', NULL, NULL, NULL), ('Form', '', NULL, NULL)"), 0, "null|null|null\nreal:2.5|null|null\nint:42|null|null\ntext:|null|null\ntext:a|null|null"},
    {"NUL bytes and invalid UTF-8", Catalog("('Form', CAST(x'41004200' AS TEXT), CAST(x'00' AS TEXT), CAST(x'c328ff' AS TEXT))"), 0, std::string("text:A\0B\0|text:\0|text:\xc3\x28\xff", 25)},
    {"INT64 name", Catalog("('Form', 9223372036854775807, NULL, NULL)"), 0, "int:9223372036854775807|null|null"},
    {"1 MiB name", Catalog("('Form', replace(hex(zeroblob(524288)), '0', 'x'), NULL, NULL)"), 0, "text:" + std::string(1 << 20, 'x') + "|null|null"},
    {"a date one byte longer", Catalog("('Form', 'a', 0, 'y' || replace(hex(zeroblob(524288)), '0', 'x'))"), 2024, "row 1 \n1048577 bytes\n'date_updated'"},
    {"BLOB name, counted by row id", Catalog("('Form', 'a', 0, 0), ('Query', x'00', x'00', x'00'), ('Form', x'00', 0, 0)"), 2023, "row 3 \n'name'"},
    {"BLOB creation date", Catalog("('Form', 'a', x'', 0)"), 2023, "row 1 \n'date_created'"},
    {"BLOB update date", Catalog("('Form', 'a', 0, zeroblob(10))"), 2023, "row 1 \n'date_updated'"},
    // A schema calling a function with side effects: it never runs.
    {"trigger", Catalog("('Form', 'a', NULL, NULL); CREATE TRIGGER t AFTER INSERT ON objects BEGIN SELECT side_effect(); END"), 0, a},
    {"CHECK", Catalog("('Form', 'a', NULL, NULL)", kColumns + " CHECK (side_effect(name))"), 0, a},
    {"view", Catalog("('Form', 'a', NULL, NULL); CREATE VIEW v AS SELECT side_effect(name) FROM objects"), 0, a},
    {"generated column", Catalog("('Form', 'a', 0)", "kind, name, date_created, date_updated AS (side_effect(name))"), 2014, "unsafe use of side_effect()"},
    // A schema that makes each row cost far more than reading it.
    {"a generated value of 400 MB a row", kHugeValue, 2025, "too much work"},
    {"generated columns doubling", kDoubling, 2025, "too much work"},
};
// clang-format on

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The folder's entries: names, sizes, times to the nanosecond and the bytes
// of regular files. A temporary file SQLite made here, even one deleted at
// once, changes the folder's own time; in WAL mode, SQLite may add its files.
std::map<std::string, std::string> FolderState() {
    std::map<std::string, std::string> state;
    struct stat info {};
    const auto time = [&] { return std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec); };
    for (const auto& entry : fs::directory_iterator(".")) {
        lstat(entry.path().c_str(), &info);
        state[entry.path().filename()] = time() + (S_ISREG(info.st_mode) ? ReadBytes(entry.path()) : "");
    }
    stat(".", &info);
    // Byte 18 of the header is 2 in WAL mode.
    if (const std::string header = ReadBytes("c.db"); header.size() < 19 || header[18] != 2) state["."] = time();
    return state.erase("c.db-wal"), state.erase("c.db-shm"), state;
}

TEST(Provider, EachSourceAndFileGivesItsNumberedErrorOrItsRowsAndLeavesTheFolderAlone) {
    // Central European time, spelled out so that no zone files are needed.
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&AddFunctions));
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what + (": " + c.source));
        const TempFolder folder;
        fs::current_path(folder.path);
        setenv("HOME", folder.path.c_str(), 1);
        making = true, c.make(), making = false;
        sqlite3_temp_directory = sqlite3_mprintf("%s", folder.path.c_str());
        const auto before = FolderState();
        sideEffects = 0;
        const auto result = Open(c.source, c.lockType);
        EXPECT_EQ(result.status.number, c.number) << result.status.description;
        EXPECT_EQ(sideEffects, 0);
        EXPECT_EQ(result.rowset ? Walk(*result.rowset) : Lines(c.expect), Lines(c.expect));
        for (const std::string& word : result.status.ok() ? std::vector<std::string>() : Lines(c.expect))
            EXPECT_NE(result.status.description.find(word), std::string::npos) << result.status.description;
        // Errors past the source string name the file.
        const std::string name = c.source.substr(c.source.find(';') + 1);
        const fs::path file = folder.path / (name.starts_with("~/") ? name.substr(2) : name);
        EXPECT_EQ(result.status.description.find("'" + file.string() + "'") != std::string::npos,
                  c.number >= 2010 && c.number != 2030);
        EXPECT_EQ(FolderState(), before) << "the provider changed the folder";
        sqlite3_free(std::exchange(sqlite3_temp_directory, nullptr));
        fs::current_path("/");
    }
}

const std::string kTwoForms = "CREATE TABLE objects(" + kColumns + "); INSERT INTO objects VALUES ('Form', 'a', 0, 0), ('Form', 'b', 0, 0);";

TEST(OtherProgram, ALockHeldPast2SecondsIs2015AndAWalSnapshotHoldsOnlyCommittedRows) {
    for (const bool wal : {false, true}) {
        const TempFolder folder;
        const std::string path = folder.File("c.db");
        RunSql(path, (wal ? "PRAGMA journal_mode = WAL;" : "") + kTwoForms);
        sqlite3* writer = nullptr;
        sqlite3_open(path.c_str(), &writer);
        sqlite3_exec(writer, "BEGIN EXCLUSIVE; DELETE FROM objects;", nullptr, nullptr, nullptr);
        const auto busy = Open("Form;" + path);
        EXPECT_EQ(busy.status.number, wal ? 0 : 2015);
        EXPECT_EQ(busy.status.description, wal ? "" : "The database '" + path + "' is locked by another program "
                                                      "that is writing to it; try again when it has finished.");
        EXPECT_EQ(busy.rowset ? busy.rowset->RowCount() : 0, wal ? 2u : 0u);
        // Nothing of ours holds a lock once the open is over.
        sqlite3_busy_timeout(writer, 0);
        EXPECT_EQ(sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(writer);
    }
}

TEST(OtherProgram, AWriterCommittingBackToBackIsWaitedForAndASwappedPipeNeverHangs) {
    const TempFolder folder;
    const std::string path = folder.File("c.db"), pipe = folder.File("pipe");
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
            sqlite3_exec(db, "BEGIN EXCLUSIVE; UPDATE objects SET date_updated = 1;", nullptr, nullptr, nullptr);
            usleep(15000);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        }
    }
    int failures = 0;
    for (int i = 0; i < 100; ++i) failures += Open("Form;" + path).status.ok() ? 0 : 1;
    kill(writer, SIGKILL), waitpid(writer, nullptr, 0);
    EXPECT_EQ(failures, 0);

    // Swapped about as often as an open takes, so that some land between the
    // provider's check and SQLite's open. A hang ends in the test's time limit.
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::atomic<bool> stop = false;
    std::thread swapper([&] {
        while (!stop) renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, pipe.c_str(), RENAME_EXCHANGE), usleep(10);
    });
    std::map<int, int> outcomes;
    for (int i = 0; i < 500; ++i) ++outcomes[Open("Form;" + path).status.number];
    stop = true;
    swapper.join();
    EXPECT_EQ(outcomes[0] + outcomes[2011], 500);
}

// The status number of opening source with the rights of an ordinary user:
// the superuser ignores permissions, so a child process gives them up first.
int OpenAsOrdinaryUser(const std::string& source) {
    if (geteuid() != 0) return Open(source).status.number;
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(255);
        const int number = Open(source).status.number;
        _exit(number == 0 ? 0 : number - 2000);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 255) return -1;
    return WEXITSTATUS(status) == 0 ? 0 : 2000 + WEXITSTATUS(status);
}

TEST(Permissions, AnUnreadableFileAndAWalCatalogInAReadOnlyFolderAre2012AndStayWhole) {
    const TempFolder folder;
    const fs::path sub = folder.path / "ro";
    fs::create_directory(sub);
    const std::string wal = (sub / "c.db").string(), unreadable = folder.File("u.db");
    RunSql(wal, "PRAGMA journal_mode = WAL;" + kTwoForms);
    RunSql(unreadable, kTwoForms);
    const std::string bytes = ReadBytes(wal);
    fs::permissions(unreadable, fs::perms::none);
    fs::permissions(folder.path, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(sub, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_EQ(OpenAsOrdinaryUser("Form;" + unreadable), 2012);
    // SQLite cannot read a WAL database without its "-shm" file, which it may
    // not make here: a clear refusal, never SQLite's "attempt to write".
    EXPECT_EQ(OpenAsOrdinaryUser("Form;" + wal), 2012);
    fs::permissions(sub, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(wal), bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(sub), fs::directory_iterator()), 1);
}

TEST(Provider, TheRowQueriesWalkTheRecommendedIndexWithoutSorting) {
    const TempFolder folder;
    RunSql(folder.File("c.db"), "CREATE TABLE objects(" + kColumns + ");" + kIndex + ");");
    sqlite3* db = nullptr;
    sqlite3_open(folder.File("c.db").c_str(), &db);
    for (const char* query : CatalogReader::kRowQueries) {
        sqlite3_stmt* plan = nullptr;
        sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + std::string(query)).c_str(), -1, &plan, nullptr);
        std::string steps;
        while (sqlite3_step(plan) == SQLITE_ROW) steps += reinterpret_cast<const char*>(sqlite3_column_text(plan, 3));
        sqlite3_finalize(plan);
        EXPECT_EQ(steps, "SEARCH main.objects USING INDEX k (kind=?)");
    }
    sqlite3_close(db);
}

// Neither the provider's own classes nor inline code from the layer's headers
// leak out of the plug-in: only its entry point.
TEST(Provider, ThePlugInExportsOnlyItsEntryPoint) {
    void* module = dlopen(QUORBIX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    EXPECT_NE(dlsym(module, "vantril_create_provider"), nullptr);
    EXPECT_EQ(dlsym(module, "_ZTVN7quorbix15QuorbixProviderE"), nullptr);
    EXPECT_EQ(dlsym(module, "_ZN10dataaccess5Value4NullEv"), nullptr);
    dlclose(module);
}

// Rows fill more than one block and names more than one chunk, and a name
// and a date text outgrow a chunk: each cell reads back as it was appended.
TEST(Provider, CellsReadBackAcrossBlocksAndChunks) {
    quorbix::Catalog catalog;
    std::vector<std::string> expected;
    const std::string date = "date:2024-01-02 03:04:05";
    for (std::size_t row = 0; row < quorbix::Catalog::kRowsPerBlock + 5; ++row) {
        const auto n = static_cast<std::int64_t>(row);
        const std::string name(row == 4000 ? quorbix::Catalog::kChunkBytes + 1 : row % 200, static_cast<char>('a' + row % 26));
        const std::string text = row == 4004 ? std::string(quorbix::Catalog::kChunkBytes, 'd') : "d" + std::to_string(row);
        if (row % 4 == 0) {
            catalog.AppendText(name), catalog.AppendUnixSeconds(-99999999999999), catalog.AppendText(text);
            expected.push_back("text:" + name + "|int:-99999999999999|text:" + text);
        } else if (row % 4 == 1) {
            catalog.AppendNull(), catalog.AppendDate({2024, 1, 2, 3, 4, 5}), catalog.AppendNull();
            expected.push_back("null|" + date + "|null");
        } else if (row % 4 == 2) {
            catalog.AppendInteger(-n), catalog.AppendNull(), catalog.AppendText(text);
            expected.push_back("int:" + std::to_string(-n) + "|null|text:" + text);
        } else {
            catalog.AppendReal(static_cast<double>(n) + 0.5), catalog.AppendText(text);
            catalog.AppendDate({2024, 1, 2, 3, 4, 5});
            expected.push_back("real:" + std::to_string(n) + ".5|text:" + text + "|" + date);
        }
    }
    catalog.FinishLoading();
    EXPECT_EQ(Walk(catalog), expected);
}

}  // namespace
}  // namespace quorbix
