// The provider through files: each case makes a catalog and the files beside it, opens it, and checks
// the numbered error or the rows, and that nothing was written beside the database.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <thread>

#include "quorbixprovider.h"
#include "readplan.h"

namespace quorbix {
namespace {
namespace fs = std::filesystem;

void RunSql(const std::string& path, const std::string& sql, sqlite3** keep = nullptr) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    keep ? void(*keep = db) : void(sqlite3_close(db));
}
// The status and rows of an open, whose progress must end at the rows delivered.
auto Open(std::string_view source, int lockType = -1) {
    std::unique_ptr<dataaccess::Rowset> rowset;
    dataaccess::RowsRead rowsRead{0};
    auto status = QuorbixProvider().Open(source, -1, lockType, -1, rowset, &rowsRead);
    EXPECT_EQ(rowsRead, rowset ? rowset->RowCount() : rowsRead.load());
    return std::pair(status, std::move(rowset));
}
std::string ReadBytes(const fs::path& file) {
    return {std::istreambuf_iterator<char>(std::ifstream(file, std::ios::binary).rdbuf()), {}};
}
// Values as "null", "text:a", "int:5", "real:2.5", "date:2024-01-02 03:04:05[ CET3600]", joined
// by '|' within a row and '\n' between rows.
std::string Walk(const dataaccess::Rowset& rowset) {
    using enum dataaccess::Value::Kind;
    std::string rows;
    for (std::size_t cell = 0; cell < 3 * rowset.RowCount(); ++cell) {
        const auto& v = rowset.Read(cell / 3, cell % 3);
        const auto d = v.kind() == Date ? v.AsDate() : dataaccess::DateTime{};
        char text[80];  // %.0d: no digits for the offset 0 of a date without a zone
        std::snprintf(text, 80, "date:%04d-%02d-%02d %02d:%02d:%02d%s%s%.0d", d.year, d.month, d.day, d.hour,
                      d.minute, d.second, d.HasZone() ? " " : "", d.zone.data(), d.utcOffset);
        if (v.kind() == Real) std::snprintf(text, 80, "real:%.17g", v.AsReal());
        rows += (cell % 3 ? "|"
                 : cell   ? "\n"
                          : "") +
                (v.kind() == Null      ? "null"
                 : v.kind() == Text    ? "text:" + std::string(v.AsText())
                 : v.kind() == Integer ? "int:" + std::to_string(v.AsInteger())
                                       : text);
    }
    return rows;
}
// Names, times and bytes of the folder's entries; its own time shows even a temporary file deleted
// at once, unless the catalog is in WAL mode (byte 18 is 2), where SQLite adds its files.
auto FolderState() {
    std::map<std::string, std::string> state;
    struct stat info {};
    for (const auto& entry : fs::directory_iterator(".")) {
        lstat(entry.path().c_str(), &info);
        state[entry.path().filename()] =
            std::to_string(info.st_mtim.tv_nsec) + (S_ISREG(info.st_mode) ? ReadBytes(entry.path()) : "");
    }
    stat(".", &info);
    if (ReadBytes("c.db").find("\2\2", 18) != 18) state["."] = std::to_string(info.st_mtim.tv_nsec);
    return state.erase("c.db-wal"), state.erase("c.db-shm"), state;
}
// Every connection gets side_effect(), which leaves a file in the current folder: the folder check
// sees any call.
int AddSideEffect(sqlite3* db, char**, const sqlite3_api_routines*) {
    return sqlite3_create_function(
        db, "side_effect", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
        [](sqlite3_context* call, int, sqlite3_value**) {
            std::ofstream("side-effect"), sqlite3_result_int(call, 1);
        },
        nullptr, nullptr);
}

struct Case {
    const char* what;    // the test's name
    std::string sql;     // run on c.db, in the case's folder, which is also $HOME
    int number;          // 0: opens
    std::string expect;  // its rows when it opens, else a pattern found in its description
    std::string source = "Form;c.db";
    void (*files)() = [] {};  // then makes the files beside c.db
    std::string writer = "";  // then a second connection runs this, and stays open through the open
    int lockType = -1;        // unspecified, as the program passes it
};
template <class Row>
std::string Name(const testing::TestParamInfo<Row>& info) {
    return info.param.what;
}
// The name column without TEXT affinity, so that numbers stay numbers.
const std::string kTable = "CREATE TABLE objects(kind TEXT, name, date_created, date_updated); ",
                  kRows = kTable + "INSERT INTO objects VALUES ",
                  kForm = kRows + "('Form', 'a', NULL, NULL);", kWal = "PRAGMA journal_mode = WAL; " + kForm,
                  a = "text:a|null|null", kMidChange = "BEGIN EXCLUSIVE; UPDATE objects SET name = 'b';";
// Links, a pipe, and names that SQLite would read as URIs or special names.
void OddNames() {
    fs::copy_file("c.db", "we;ird 'quoted' \"name\".db");
    mkfifo("pipe", 0600), fs::create_symlink("c.db", "link.db"), fs::create_symlink("pipe", "pipe-link.db");
}
void ReadOnlyFolder() { fs::permissions(".", fs::perms::owner_read | fs::perms::owner_exec); }
// Long names, last first, no index: rows past a block and names past a chunk, to sort.
const std::string kManyForms =
    kTable +
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4100) "
    "INSERT INTO objects SELECT 'Form', printf('%0600d', 4101 - i), NULL, NULL FROM n;";
// By name in any case, ties by row id; only the kind asked for, byte for byte.
const std::string
    kUnordered =
        kRows +
        "('Form', 'beta', NULL, NULL), ('Query', 'alpha', NULL, NULL), ('Form', 'alpha', NULL, NULL), "
        "('form', 'Aa', NULL, NULL), ('Form', 'Alpha', NULL, NULL), ('Form ', 'A', NULL, NULL), "
        "('Form', 'ALPHA', NULL, NULL), ('Form', 'Gamma', NULL, NULL), (NULL, 'A', NULL, NULL);",
    kOrdered =
        "text:alpha|null|null\ntext:Alpha|null|null\ntext:ALPHA|null|null\n"
        "text:beta|null|null\ntext:Gamma|null|null",
    kMiB = "replace(hex(zeroblob(524288)), '0', 'x')",
    kIndex = "CREATE INDEX k ON objects(kind, name COLLATE NOCASE";

class ProviderOpen : public testing::TestWithParam<Case> {
protected:
    ~ProviderOpen() override {
        sqlite3_close(writer_), sqlite3_free(std::exchange(sqlite3_temp_directory, nullptr));
        fs::permissions(folder_, fs::perms::owner_all), fs::remove_all(folder_);
    }
    std::string folder_ = (fs::temp_directory_path() / "quorbix-test-XXXXXX").string();
    const bool made_ =
        mkdtemp(folder_.data()) != nullptr || (throw std::runtime_error("no temporary folder"), 0);
    sqlite3* writer_ = nullptr;
};

TEST_P(ProviderOpen, GivesItsNumberedErrorOrItsRowsAndLeavesTheFolderAlone) {
    const Case& c = GetParam();
    ASSERT_NE(geteuid(), 0u) << "root ignores the permissions some cases need; ctest runs this as nobody";
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);  // spelled out, so that no zone files are needed
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&AddSideEffect));
    fs::current_path(folder_), setenv("HOME", folder_.c_str(), 1);
    sqlite3_temp_directory = sqlite3_mprintf("%s", folder_.c_str());
    RunSql("c.db", c.sql), c.files();
    if (!c.writer.empty()) RunSql("c.db", c.writer, &writer_);
    const auto before = FolderState();
    sqlite3_memory_highwater(1);
    const auto [status, rowset] = Open(c.source, c.lockType);
    EXPECT_LT(sqlite3_memory_highwater(0), 8 << 20) << "SQLite's own peak memory during the open";
    EXPECT_EQ(status.number, c.number) << status.description;
    EXPECT_EQ(rowset ? Walk(*rowset) : c.expect, c.expect);
    EXPECT_TRUE(rowset || std::regex_search(status.description, std::regex(c.expect))) << status.description;
    EXPECT_EQ(FolderState(), before) << "the provider changed the folder";
}

const std::vector<Case> kCases = {
    {"no_separator", kForm, 2001, "Form c.db", "Form c.db"},
    {"no_kind", kForm, 2002, "No object kind was picked: pick Form, Query or Report.", ";c.db"},
    {"kind_in_the_plural", kForm, 2002, "'Reports'", "Reports;c.db"},
    {"no_database_name", kForm, 2003, "", "Form;"},
    {"NUL_in_the_name", kForm, 2004, "NUL", std::string("Form;c.db\0.txt", 14)},
    {"pessimistic_lock", kForm, 2030, "read-only", "Form;c.db", [] {}, "", 2},
    {"link_to_a_catalog", kForm, 0, a, "Form;link.db", OddNames},
    {"link_to_a_pipe", kForm, 2011, "/pipe-link.db' is a named pipe", "Form;pipe-link.db", OddNames},
    {"device_never_read", kForm, 2011, "device", "Form;/dev/zero"},
    {"semicolon_and_quotes_in_the_name", kForm, 0, a, "Form;we;ird 'quoted' \"name\".db", OddNames},
    {"missing_file_which_stays_missing", kForm, 2010, "Cannot find the database '.*/file:x.db'",
     "Form;file:x.db", OddNames},
    {"in_memory_database", kForm, 2010, "/:memory:'", "Form;:memory:", OddNames},
    {"the_process_s_own_memory", kForm, 2012, "Cannot open the database", "Form;/proc/self/mem"},
    {"unreadable_file", kForm, 2012, "/c.db': Permission denied.", "Form;c.db",
     [] { fs::permissions("c.db", fs::perms::none); }},
    {"home_folder", kForm, 0, a, "Form;~/c.db"},
    {"empty_file", "", 2020, "/c.db' has no table 'objects'"},
    {"text_file", "", 2013, "/c.db' is not an SQLite database.", "Form;c.db",
     [] { std::ofstream("c.db") << std::string(3000, 'x'); }},
    {"cut_short", kManyForms, 2014, "/c.db' is damaged", "Form;c.db",
     [] { fs::resize_file("c.db", 1 << 20); }},
    {"columns_missing_the_others_in_capitals", "CREATE TABLE OBJECTS(KIND, Date_Created, x);", 2021,
     "column\\(s\\): name, date_updated."},
    {"view",
     "CREATE TABLE t(kind, name, date_created, date_updated); CREATE VIEW objects AS SELECT * FROM t;", 2022,
     "is a view"},
    {"virtual_table", "CREATE VIRTUAL TABLE objects USING fts5(kind, name, date_created, date_updated);",
     2022, "virtual table"},
    {"WITHOUT_ROWID",
     "CREATE TABLE objects(kind PRIMARY KEY, name, date_created, date_updated) WITHOUT ROWID;", 2022,
     "WITHOUT ROWID"},
    {"row_ids_hidden", "CREATE TABLE objects(kind, name, date_created, date_updated, rowid, _rowid_, oid);",
     2022, "hide its row"},
    // A writer that stops mid-change leaves the file changed and its rollback journal.
    {"hot_journal_of_a_writer_that_stopped_mid_change", kManyForms, 2016, "", "Form;c.db",
     [] {
         sqlite3* writer = nullptr;
         if (fork() == 0)
             RunSql("c.db", "PRAGMA cache_size = 2; BEGIN; UPDATE objects SET name = 'x';", &writer),
                 _exit(0);
         wait(nullptr);
     }},
    // Other programs: a writer locking the file past 2 s, or writing beside a WAL snapshot; a WAL
    // catalog cannot be read without its "-shm", which SQLite may not make in a read-only folder.
    {"locked", kForm, 2015,
     "/c.db' is locked by another program that is writing to it; try again when it has finished.",
     "Form;c.db", [] {}, kMidChange},
    {"WAL_mode_a_writer_mid_change", kWal, 0, a, "Form;c.db", [] {}, kMidChange},
    {"WAL_mode_read_only_folder", kWal, 2012, "WAL mode", "Form;c.db", ReadOnlyFolder},
    {"WAL_mode_its_wal_and_no_shm_read_only_folder", kWal, 2012, "WAL mode.*'-shm'", "Form;c.db",
     [] { std::ofstream("c.db-wal"), ReadOnlyFolder(); }},
    {"pipe_as_journal", kForm, 2017, "c.db-journal' .*named pipe", "Form;c.db",
     [] { mkfifo("c.db-journal", 0600); }},
    {"link_loop_as_shm", kWal, 2017, "c.db-shm' .*symbolic link", "Form;c.db",
     [] { fs::create_symlink("c.db-shm", "c.db-shm"); }},
    // The order of the rows: under no index the provider sorts, under the others SQLite walks the index;
    // the kind matches byte for byte, whatever collation its column declares.
    {"no_index", kUnordered, 0, kOrdered},
    {"the_recommended_covering_index", kUnordered + kIndex + ", date_created, date_updated)", 0, kOrdered},
    // Objects of one name, which the covering index holds in the order of their dates, by row id.
    {"a_thousand_of_one_name_under_the_covering_index",
     kTable +
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
         "INSERT INTO objects SELECT 'Form', 'a', 'd' || (i * 7 % 1000 + 1000), NULL FROM n; " +
         kIndex + ", date_created, date_updated)",
     0,
     [] {
         std::string rows;
         for (int i = 1; i <= 1000; ++i)
             rows += (i > 1 ? "\n" : "") + std::string("text:a|text:d") +
                     std::to_string(i * 7 % 1000 + 1000) + "|null";
         return rows;
     }()},
    // SQLite sorts a rare kind's objects before it gives the first: read, not refused as too much work.
    {"two_thousand_of_one_name_sorted_by_SQLite_under_an_index_on_kind",
     kTable + "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 18000) "
              "INSERT INTO objects SELECT iif(i % 9, 'Query', 'Form'), 'a', NULL, NULL FROM n; "
              "CREATE INDEX k ON objects(kind)",
     0,
     [] {
         std::string rows = a;
         for (int i = 1; i < 2000; ++i) rows += "\n" + a;
         return rows;
     }()},
    {"two_bad_objects_of_one_name_under_the_covering_index",
     kRows + "('Form', 'a', 'y', x'00'), ('Form', 'A', 'x', x'00'); " + kIndex +
         ", date_created, date_updated)",
     2023, "row 1 .*'date_updated'"},
    {"a_column_named_rowid_orders_no_ties",
     "CREATE TABLE objects(kind, name, date_created, date_updated, rowid); INSERT INTO objects VALUES "
     "('Form', 'a', NULL, NULL, 'z'), ('Form', 'A', NULL, NULL, 'b')",
     0, a + "\ntext:A|null|null"},
    {"no_index_and_a_bad_object", kManyForms + "INSERT INTO objects VALUES ('Form', x'00', 0, 0)", 2023,
     "row 4101 .*'name'"},
    {"no_index_20_computed_names_past_1_MiB_the_shortest_is_named_and_SQLite_never_holds_them_all",
     "CREATE TABLE objects(kind, n, name AS (printf('%.*c', 1100000 - n, 'x')), date_created, date_updated); "
     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20) "
     "INSERT INTO objects(kind, n) SELECT 'Form', i FROM n;",
     2024, "row 20 .*1099980 bytes"},
    {"kind_declared_NOCASE_an_index_on_it_byte_for_byte",
     "CREATE TABLE objects(kind TEXT COLLATE NOCASE, name, date_created, date_updated); INSERT INTO objects "
     "VALUES ('form', 'b', 0, 0), ('FORM', 'c', 0, 0), ('Form', 'a', NULL, NULL); "
     "CREATE INDEX k ON objects(kind COLLATE BINARY, name COLLATE NOCASE, date_created, date_updated)",
     0, a},
    // A rare kind, sorted by SQLite past what it keeps in memory before it spills to a file.
    {"primary_key_on_kind_and_name_2_8_MB_of_a_rare_kind_s_names",
     "CREATE TABLE objects(kind TEXT, name, date_created, date_updated, PRIMARY KEY(kind, name)); "
     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) INSERT INTO objects "
     "SELECT iif(i % 10, 'Query', 'Form'), printf('%.*c%d', 70000 * (i % 10 = 0), 'x', i), NULL, NULL FROM "
     "n; "
     "INSERT INTO objects VALUES ('Form', x'00', 0, 0);",
     2023, "'name'"},
    // Dates: text is wall-clock, shown as is; Unix seconds and Julian days are
    // UTC instants, shown in local time with its zone, to the nearest second.
    {"text_dates_and_text_that_is_no_date",
     kRows + "('Form', 'a', '2024-03-05', '2024-03-05 14:30'), ('Form', 'b', '2024-03-05 14:30:59', "
             "'2024-02-29T23:59'), ('Form', 'c', '0001-01-01', '9999-12-31 23:59:59'), ('Form', 'd', "
             "'2000-02-29', '1900-02-29'), ('Form', 'e', '2023-02-29', '2024-04-31'), ('Form', 'f', "
             "'2024-03-05 24:00', '2024-3-05T14:30')",
     0,
     "text:a|date:2024-03-05 00:00:00|date:2024-03-05 14:30:00\ntext:b|date:2024-03-05 "
     "14:30:59|date:2024-02-29 23:59:00\ntext:c|date:0001-01-01 00:00:00|date:9999-12-31 "
     "23:59:59\ntext:d|date:2000-02-29 "
     "00:00:00|text:1900-02-29\ntext:e|text:2023-02-29|text:2024-04-31\ntext:f|text:2024-03-05 "
     "24:00|text:2024-3-05T14:30"},
    {"Unix_seconds_and_Julian_days",
     kRows + "('Form', 'a', 0, 1719792000), ('Form', 'b', 253402297199, 253402297200), ('Form', 'c', "
             "-62135600400, -62135600401), ('Form', 'd', 2440587.5, 2460492.5), ('Form', 'e', "
             "2460492.5000046296, 2460492.5000069444)",
     0,
     "text:a|date:1970-01-01 01:00:00 CET3600|date:2024-07-01 02:00:00 CEST7200\ntext:b|date:9999-12-31 "
     "23:59:59 CET3600|int:253402297200\ntext:c|date:0001-01-01 00:00:00 "
     "CET3600|int:-62135600401\ntext:d|date:1970-01-01 01:00:00 CET3600|date:2024-07-01 02:00:00 "
     "CEST7200\ntext:e|date:2024-07-01 02:00:00 CEST7200|date:2024-07-01 02:00:01 CEST7200"},
    // Names and dates keep their type and every byte; SQLite orders NULL, numbers, text.
    {"odd_names",
     kRows + "('Form', 'a', NULL, NULL), ('Form', 42, NULL, NULL), ('Form', 2.5, NULL, NULL), ('Form', NULL, "
             "NULL, NULL), ('Form', '', NULL, NULL), ('Form', 9007199254740993, NULL, NULL), ('Form', "
             "9007199254740992.0, NULL, NULL), ('Form', 2.0, NULL, NULL), ('Form', 2, NULL, NULL), ('Form', "
             "'B', NULL, NULL), ('Form', '_', NULL, NULL)",
     0,
     "null|null|null\nreal:2|null|null\nint:2|null|null\nreal:2.5|null|null\nint:42|null|null\nreal:"
     "9007199254740992|null|null\nint:9007199254740993|null|null\ntext:|null|null\ntext:_|null|null\ntext:a|"
     "null|null\ntext:B|null|null"},
    {"NUL_bytes_and_invalid_UTF_8",
     kRows + "('Form', CAST(x'41004200' AS TEXT), CAST(x'00' AS TEXT), CAST(x'c328ff' AS TEXT))", 0,
     std::string("text:A\0B\0|text:\0|text:\xc3\x28\xff", 25)},
    {"a_1_MiB_name", kRows + "('Form', " + kMiB + ", NULL, NULL), ('Form', 'y', NULL, 'z')", 0,
     "text:" + std::string(1 << 20, 'x') + "|null|null\ntext:y|null|text:z"},
    {"a_date_one_byte_longer", kRows + "('Form', 'a', 0, 'y' || " + kMiB + ")", 2024,
     "row 1 .*1048577 bytes.*'date_updated'"},
    {"BLOBs_the_first_by_name_counted_by_row_id",
     kRows + "('Form', x'00', 0, 0), ('Query', x'00', x'00', x'00'), ('Form', 'a', x'00', 0)", 2023,
     "row 3 .*'date_created'"},
    // A schema calling a function with side effects, which never runs, or making a row cost far more.
    {"generated_column",
     "CREATE TABLE objects(kind, name, date_created, date_updated AS (side_effect(name))); INSERT INTO "
     "objects VALUES ('Form', 'a', 0)",
     2014, "unsafe use of side_effect\\(\\)"},
    {"generated_dates_of_ordinary_cost_a_short_replace",
     "CREATE TABLE objects(kind, n, name AS (replace(n, '_', ' ')), date_created, date_updated AS "
     "(date(date_created, '+1 day'))); INSERT INTO objects VALUES ('Form', 'a_b', '2024-03-05')",
     0, "text:a b|date:2024-03-05 00:00:00|date:2024-03-06 00:00:00"},
    {"40_upper_calls_a_row_on_a_1_MB_value",
     "CREATE TABLE objects(kind, name, date_created, g AS (hex(zeroblob(500000))), date_updated AS (0"
     " + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g))"
     " + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g))"
     " + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g))"
     " + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g))"
     " + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g))"
     " + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g))"
     " + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g))"
     " + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g)) + length(upper(g))"
     ")); INSERT INTO objects VALUES ('Form', 'a', 0)",
     2025, "too much work.*a program of 388 steps for each object, more than 300."},
    {"one_LIKE_a_row_of_a_10_000_byte_pattern_against_a_2_000_byte_value",
     "CREATE TABLE objects(kind, name, date_created, date_updated AS (hex(zeroblob(1000)) LIKE '%' || "
     "hex(zeroblob(5000)) || 'x%')); INSERT INTO objects VALUES ('Form', 'a', 0)",
     2025, "too much work"},
    {"a_1_MiB_default_added_for_64_rows",
     "CREATE TABLE objects(kind, date_created, date_updated); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
     "SELECT i + 1 FROM n WHERE i < 64) INSERT INTO objects(kind) SELECT 'Form' FROM n; ALTER TABLE objects "
     "ADD COLUMN name DEFAULT '" +
         std::string(1 << 20, 'x') + "';",
     2025, "too much memory.*first 40 objects"},
    {"a_generated_value_of_400_MB_a_row_behind_a_cheap_expression_at_insert",
     "CREATE TABLE objects(kind, name, date_created, date_updated AS (0)); WITH RECURSIVE n(i) AS (SELECT 1 "
     "UNION ALL SELECT i + 1 FROM n WHERE i < 20) INSERT INTO objects SELECT 'Form', i, 0 FROM n; PRAGMA "
     "writable_schema = ON; UPDATE sqlite_schema SET sql = replace(sql, '(0)', '(length(hex(zeroblob(2e8 + "
     "name))))');",
     2025, "too much work"}};
INSTANTIATE_TEST_SUITE_P(EachSourceAndFile, ProviderOpen, testing::ValuesIn(kCases), Name<Case>);

// Each commit holds the lock 15 ms, with gaps far shorter than a millisecond: every open gets in.
TEST_F(ProviderOpen, AWriterCommittingBackToBackIsWaitedFor) {
    fs::current_path(folder_);
    RunSql("c.db", kForm + kMidChange, &writer_);
    std::atomic<bool> stop = false;
    std::thread other([&] {
        while (!stop)
            usleep(15000), sqlite3_exec(writer_, "COMMIT", nullptr, nullptr, nullptr), usleep(200),
                sqlite3_exec(writer_, kMidChange.c_str(), nullptr, nullptr, nullptr);
    });
    int opened = 0;
    for (int i = 0; i < 100; ++i) opened += Open("Form;c.db").first.number == 0;
    stop = true, other.join();
    EXPECT_EQ(opened, 100);
}

// An index holding the dates in the order shown is walked; any other index on kind only for a kind
// with a small share of the table (300 Forms among 3000 objects, not 300 alone) or few objects.
struct Plan {
    const char* what;
    std::string sql;
    bool walk;
};
using ReadPlanForForms = testing::TestWithParam<Plan>;
TEST_P(ReadPlanForForms, WalksACoveringIndexOrARareKindAndScansTheRest) {
    sqlite3* db = nullptr;
    RunSql(":memory:", kTable + GetParam().sql, &db);
    auto plan = ReadPlan::kScan;
    double span = 0;
    EXPECT_EQ(ChooseReadPlan(db, "Form", "rowid", plan, span), SQLITE_OK);
    EXPECT_EQ(plan == ReadPlan::kWalk, GetParam().walk);
    sqlite3_close(db);
}
const std::string kN = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) ",
                  kCommon = kN + "INSERT INTO objects SELECT 'Form', i, 0, 0 FROM n; ",
                  kRare = kCommon + kN +
                          "INSERT INTO objects SELECT 'Query', n.i, 0, 0 FROM n, n AS m WHERE m.i < 10;",
                  kCovering = ", date_created, date_updated)";
INSTANTIATE_TEST_SUITE_P(EachIndex, ReadPlanForForms,
                         testing::ValuesIn(std::vector<Plan>{
                             {"index_on_kind_and_name_common_kind", kCommon + kIndex + ")", false},
                             {"index_on_kind_and_name_rare_kind", kRare + kIndex + ")", true},
                             {"index_on_kind_and_name_few_objects",
                              "INSERT INTO objects VALUES ('Form', 1, 0, 0);" + kIndex + ")", true},
                             {"covering_index", kCommon + kIndex + kCovering, true},
                             {"covering_names_in_binary_order",
                              kCommon + "CREATE INDEX k ON objects(kind, name" + kCovering, false},
                             {"covering_partial", kCommon + kIndex + kCovering + " WHERE kind = 'Form'",
                              false}}),
                         Name<Plan>);

}  // namespace
}  // namespace quorbix
