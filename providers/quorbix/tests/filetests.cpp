// What the provider does with the file it is given: which files it refuses,
// that it never hangs, waits or writes, and that names stay plain paths.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "quorbixerrors.h"
#include "testdatabase.h"

namespace quorbix::testing {
namespace {

namespace fs = std::filesystem;

const std::string kOneForm =
    std::string(kCatalogTable) + "INSERT INTO objects VALUES('Form', 'Orders', NULL, NULL);";

struct BadFile {
    const char* what;
    std::function<void(const std::string& path)> make;  // creates the database at path
    int number;
    const char* mention;
};

TEST(DatabaseFile, UnusableFilesAreNumberedErrorsNamingTheFile) {
    const BadFile cases[] = {
        {"missing", [](const std::string&) {}, errors::kDatabaseNotFound, "Cannot find"},
        {"folder", [](const std::string& p) { fs::create_directory(p); }, errors::kNotARegularFile, "folder"},
        {"named pipe", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
         errors::kNotARegularFile, "pipe"},
        {"text file", [](const std::string& p) { WriteBytes(p, std::string(3000, 'x')); },
         errors::kNotADatabase, "not an SQLite database"},
        {"truncated database",
         [](const std::string& p) {
             RunSql(p, std::string(kCatalogTable) +
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                           "INSERT INTO objects SELECT 'Form', printf('%0100d', i), i, i FROM n;");
             WriteBytes(p, ReadBytes(p).substr(0, 6000));
         },
         errors::kDatabaseCorrupt, "damaged"},
        {"empty file", [](const std::string& p) { WriteBytes(p, ""); }, errors::kCatalogMissing, "'objects'"},
        {"no catalog table", [](const std::string& p) { RunSql(p, "CREATE TABLE things(kind, name);"); },
         errors::kCatalogMissing, "'objects'"},
        {"three columns missing",
         [](const std::string& p) { RunSql(p, "CREATE TABLE objects(kind TEXT, extra);"); },
         errors::kCatalogColumnsMissing, "name, date_created, date_updated."},
        {"one column missing, others in capitals",
         [](const std::string& p) {
             RunSql(p, "CREATE TABLE OBJECTS(KIND, Name, DATE_CREATED, dateupdated);");
         },
         errors::kCatalogColumnsMissing, "column(s): date_updated."},
        {"view",
         [](const std::string& p) {
             RunSql(p,
                    "CREATE TABLE t(kind, name, date_created, date_updated);"
                    "CREATE VIEW objects AS SELECT * FROM t;");
         },
         errors::kCatalogNotATable, "is a view"},
        {"virtual table",
         [](const std::string& p) {
             RunSql(p, "CREATE VIRTUAL TABLE objects USING fts5(kind, name, date_created, date_updated);");
         },
         errors::kCatalogNotATable, "virtual table"},
        {"WITHOUT ROWID table",
         [](const std::string& p) {
             RunSql(p,
                    "CREATE TABLE objects(kind TEXT, name TEXT PRIMARY KEY, date_created, date_updated) "
                    "WITHOUT ROWID;");
         },
         errors::kCatalogNotATable, "WITHOUT ROWID"},
        {"row ids hidden by columns",
         [](const std::string& p) {
             RunSql(p, "CREATE TABLE objects(kind, name, date_created, date_updated, rowid, _rowid_, oid);");
         },
         errors::kCatalogNotATable, "hide its row"},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.what);
        TempFolder folder;
        const std::string path = folder.File("catalog.db");
        bad.make(path);
        const auto before = FolderState(folder.path());

        const auto result = Open("Form;" + path);
        EXPECT_EQ(result.status.number, bad.number) << result.status.description;
        EXPECT_EQ(result.rowset, nullptr);
        EXPECT_NE(result.status.description.find("'" + path + "'"), std::string::npos)
            << result.status.description;
        EXPECT_NE(result.status.description.find(bad.mention), std::string::npos)
            << result.status.description;
        EXPECT_EQ(FolderState(folder.path()), before) << "the provider changed the folder";
    }
}

TEST(DatabaseFile, DeviceIsRefusedWithoutReadingIt) {
    const auto result = Open("Form;/dev/zero");
    EXPECT_EQ(result.status.number, errors::kNotARegularFile);
    EXPECT_NE(result.status.description.find("device"), std::string::npos);
}

TEST(DatabaseFile, UnreadableFileIsRefused) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    TempFolder folder;
    const std::string path = folder.File("c.db");
    RunSql(path, kOneForm);
    fs::permissions(path, fs::perms::none);
    EXPECT_EQ(Open("Form;" + path).status.number, errors::kCannotOpen);
}

TEST(DatabaseFile, WriterHoldingTheLockIsReportedAsLocked) {
    TempFolder folder;
    const std::string path = folder.File("c.db");
    RunSql(path, kOneForm);

    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE; INSERT INTO objects VALUES('Form', 'B', 1, 2);", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    const auto result = Open("Form;" + path);
    EXPECT_EQ(result.status.number, errors::kDatabaseLocked) << result.status.description;
    EXPECT_NE(result.status.description.find(path), std::string::npos);

    // Once the writer is done, the file opens again: nothing was left behind.
    ASSERT_EQ(sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(writer);
    const auto after = Open("Form;" + path);
    ASSERT_TRUE(after.status.ok()) << after.status.description;
    EXPECT_EQ(after.rowset->RowCount(), 2u);
}

TEST(DatabaseFile, WalDatabaseIsReadWhileAWriterIsBusy) {
    TempFolder folder;
    const std::string path = folder.File("c.db");
    RunSql(path, "PRAGMA journal_mode = WAL;" + kOneForm);

    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE; INSERT INTO objects VALUES('Form', 'B', 1, 2);", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    const auto result = Open("Form;" + path);
    ASSERT_TRUE(result.status.ok()) << result.status.description;
    EXPECT_EQ(result.rowset->RowCount(), 1u) << "the snapshot holds only committed rows";
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
}

TEST(DatabaseFile, ReadingLeavesTheFileAndFolderUntouched) {
    TempFolder folder;
    const std::string path = folder.File("c.db");
    RunSql(path, kOneForm);
    const auto before = FolderState(folder.path());
    for (const char* source : {"Form;", "Query;", "Report;"}) {
        const auto result = Open(source + path);
        ASSERT_TRUE(result.status.ok()) << result.status.description;
    }
    EXPECT_EQ(FolderState(folder.path()), before);
}

TEST(DatabaseFile, NamesAreAlwaysPlainPaths) {
    TempFolder folder;
    ScopedWorkingFolder working(folder.path());
    fs::create_directory(folder.path() / "sub");
    for (const char* name : {"we;ird 'quoted' \"name\".db", "file:real.db", "sub/c.db", ":memory:x"}) {
        RunSql(folder.File(name), kOneForm);
    }
    const auto before = FolderState(folder.path());

    // Present files, relative or absolute, open whatever their names hold.
    const std::string weird = "we;ird 'quoted' \"name\".db";
    for (const std::string& source :
         std::vector<std::string>{"Form;" + weird, "Form;" + folder.File(weird), "Form;file:real.db",
                                  "Form;sub/c.db", "Form;:memory:x"}) {
        const auto result = Open(source);
        ASSERT_TRUE(result.status.ok()) << source << ": " << result.status.description;
        EXPECT_EQ(result.rowset->RowCount(), 1u) << source;
    }
    // Names SQLite would take for a URI or an in-memory database are missing
    // files here, and stay missing.
    for (const char* name : {"file:x.db", ":memory:", "file::memory:", "file:real.db?mode=memory", "sub/"}) {
        const auto result = Open(std::string("Form;") + name);
        EXPECT_EQ(result.status.number,
                  std::string_view(name) == "sub/" ? errors::kNotARegularFile : errors::kDatabaseNotFound)
            << name << ": " << result.status.description;
        EXPECT_NE(result.status.description.find(folder.File(name)), std::string::npos)
            << result.status.description;
    }
    EXPECT_EQ(FolderState(folder.path()), before);
}

TEST(DatabaseFile, TildeMeansTheHomeFolder) {
    TempFolder home;
    ScopedEnvironment setHome("HOME", home.path().c_str());
    RunSql(home.File("c.db"), kOneForm);

    const auto found = Open("Form;~/c.db");
    ASSERT_TRUE(found.status.ok()) << found.status.description;
    EXPECT_EQ(found.rowset->RowCount(), 1u);

    const auto missing = Open("Form;~/none.db");
    EXPECT_EQ(missing.status.number, errors::kDatabaseNotFound);
    EXPECT_NE(missing.status.description.find("'" + home.File("none.db") + "'"), std::string::npos)
        << missing.status.description;
}

}  // namespace
}  // namespace quorbix::testing
