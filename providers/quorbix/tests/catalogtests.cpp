// The rows a catalog delivers: which, in what order, and each value's kind.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "catalogreader.h"
#include "quorbixerrors.h"
#include "testdatabase.h"

namespace quorbix::testing {
namespace {

// Central European time, spelled out so that no zone files are needed.
constexpr char kCentralEurope[] = "CET-1CEST,M3.5.0,M10.5.0/3";

class CatalogTest : public ::testing::Test {
protected:
    // Opens `kind` from a catalog holding the given rows (SQL value lists).
    std::unique_ptr<dataaccess::Rowset> OpenRows(const std::string& rows, const char* kind = "Form",
                                                 const char* table = kCatalogTable) {
        RunSql(path_, std::string(table) +
                          "INSERT INTO objects(rowid, kind, name, date_created, date_updated) "
                          "VALUES " +
                          rows + ";");
        auto result = Open(std::string(kind) + ";" + path_);
        EXPECT_TRUE(result.status.ok()) << result.status.description;
        return std::move(result.rowset);
    }

    TempFolder folder_;
    std::string path_ = folder_.File("catalog.db");
};

TEST_F(CatalogTest, FieldsHaveTheirNames) {
    const auto rowset = OpenRows("(1, 'Form', 'A', NULL, NULL)");
    ASSERT_EQ(rowset->ColumnCount(), 3u);
    EXPECT_EQ(rowset->ColumnName(0), "Name");
    EXPECT_EQ(rowset->ColumnName(1), "DateCreated");
    EXPECT_EQ(rowset->ColumnName(2), "DateUpdated");
}

TEST_F(CatalogTest, OnlyTheChosenKindInCaseInsensitiveNameOrderWithTiesByRowId) {
    const auto rowset = OpenRows(
        "(1, 'Form', 'beta', NULL, NULL), (2, 'Query', 'alpha', NULL, NULL), (3, 'Form', 'alpha', NULL, "
        "NULL),"
        "(4, 'form', 'Aardvark', NULL, NULL), (5, 'Form', 'Alpha', NULL, NULL), (6, 'Form', 'ALPHA', NULL, "
        "NULL),"
        "(7, 'Report', 'Zulu', NULL, NULL), (8, 'Form', 'Gamma', NULL, NULL), (9, NULL, 'Aaron', NULL, "
        "NULL)");
    std::vector<std::string> names;
    for (std::size_t row = 0; row < rowset->RowCount(); ++row)
        names.push_back(Describe(rowset->Read(row, 0)));
    EXPECT_EQ(names, (std::vector<std::string>{"text:alpha", "text:Alpha", "text:ALPHA", "text:beta",
                                               "text:Gamma"}));
}

TEST_F(CatalogTest, KindWithoutObjectsGivesNoRows) {
    EXPECT_EQ(OpenRows("(1, 'Form', 'A', NULL, NULL)", "Report")->RowCount(), 0u);
}

TEST_F(CatalogTest, NamesKeepTheirTypeAndEveryByte) {
    const auto rowset = OpenRows(
        "(1, 'Form', 'a', NULL, NULL), (2, 'Form', 42, NULL, NULL), (3, 'Form', 2.5, NULL, NULL),"
        "(4, 'Form', NULL, NULL, NULL), (5, 'Form', CAST(X'620063' AS TEXT), NULL, NULL),"
        "(6, 'Form', CAST(X'64FF' AS TEXT), NULL, NULL), (7, 'Form', '', NULL, NULL),"
        "(8, 'Form', '2024-01-02', NULL, NULL)",
        // Without TEXT affinity, so that numbers stay numbers.
        "Form", "CREATE TABLE objects(kind TEXT, name, date_created, date_updated);");
    std::vector<std::string> names;
    for (std::size_t row = 0; row < rowset->RowCount(); ++row)
        names.push_back(Describe(rowset->Read(row, 0)));
    // SQLite orders NULL, then numbers, then text.
    EXPECT_EQ(names, (std::vector<std::string>{"null", "real:2.5", "int:42", "text:", "text:2024-01-02",
                                               "text:a", std::string("text:b\0c", 8), "text:d\xFF"}));
}

TEST_F(CatalogTest, DatesInEachFormAreLocalWallClockDates) {
    ScopedEnvironment zone("TZ", kCentralEurope);
    struct Case {
        const char* stored;  // an SQL literal
        const char* expected;
    };
    const Case cases[] = {
        // Text is wall-clock already: never shifted.
        {"'2024-03-05'", "date:2024-03-05 00:00:00"},
        {"'2024-03-05 14:30'", "date:2024-03-05 14:30:00"},
        {"'2024-03-05 14:30:59'", "date:2024-03-05 14:30:59"},
        {"'2024-02-29T23:59'", "date:2024-02-29 23:59:00"},
        {"'0001-01-01T00:00:00'", "date:0001-01-01 00:00:00"},
        {"'9999-12-31 23:59:59'", "date:9999-12-31 23:59:59"},
        // Text that is not exactly a real date stays text.
        {"'2025-13-45'", "text:2025-13-45"},
        {"'2023-02-29'", "text:2023-02-29"},
        {"'1900-02-29'", "text:1900-02-29"},
        {"'2000-02-29'", "date:2000-02-29 00:00:00"},
        {"'2024-04-31'", "text:2024-04-31"},
        {"'2024-3-05'", "text:2024-3-05"},
        {"'+024-03-05'", "text:+024-03-05"},
        {"'2024-03-05 14:60'", "text:2024-03-05 14:60"},
        {"'2024-03-05 14:30:'", "text:2024-03-05 14:30:"},
        {"'2024-03-05 24:00'", "text:2024-03-05 24:00"},
        {"'2024-03-05 14:30:00.5'", "text:2024-03-05 14:30:00.5"},
        {"'2024-03-05T14:30Z'", "text:2024-03-05T14:30Z"},
        {"'2024-03-05 '", "text:2024-03-05 "},
        {"'0000-01-01'", "text:0000-01-01"},
        {"'yesterday'", "text:yesterday"},
        // Unix seconds are UTC: +1 hour in winter, +2 in summer.
        {"0", "date:1970-01-01 01:00:00"},
        {"1719792000", "date:2024-07-01 02:00:00"},
        {"1704063600", "date:2024-01-01 00:00:00"},
        {"-62135596800", "date:0001-01-01 01:00:00"},
        // Julian days are UTC too, rounded to the nearest second.
        {"2440587.5", "date:1970-01-01 01:00:00"},
        {"2460492.5", "date:2024-07-01 02:00:00"},
        {"2460492.5000046296", "date:2024-07-01 02:00:00"},  // +0.4 s
        {"2460492.5000069444", "date:2024-07-01 02:00:01"},  // +0.6 s
        // Outside the years 1 to 9999 in local time: delivered as stored.
        {"253402297199", "date:9999-12-31 23:59:59"},
        {"253402297200", "int:253402297200"},  // 9999-12-31 23:00 UTC is the year 10000 here
        {"-62135600400", "date:0001-01-01 00:00:00"},
        {"-62135600401", "int:-62135600401"},
        {"5373484.5", "real:5373484.5"},  // 10000-01-01 00:00 UTC
        {"9223372036854775807", "int:9223372036854775807"},
        {"-1.0", "real:-1"},
        {"9e999", "real:inf"},
        {"-9e999", "real:-inf"},
        {"NULL", "null"},
    };
    std::string rows;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        if (i != 0) rows += ",";
        // The same value in both date columns, named in order by the row id.
        rows += "(" + std::to_string(i + 1) + ", 'Form', printf('%03d', " + std::to_string(i + 1) + "), " +
                cases[i].stored + ", " + cases[i].stored + ")";
    }
    const auto rowset = OpenRows(rows);
    ASSERT_EQ(rowset->RowCount(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].stored);
        EXPECT_EQ(Describe(rowset->Read(i, 1)), cases[i].expected);
        EXPECT_EQ(Describe(rowset->Read(i, 2)), cases[i].expected);
    }
    const auto midnight = rowset->Read(0, 1);
    EXPECT_TRUE(midnight.AsDate().IsMidnight());
    EXPECT_FALSE(rowset->Read(1, 1).AsDate().IsMidnight());
}

TEST_F(CatalogTest, InstantsFollowTheZoneInForce) {
    ScopedEnvironment utc("TZ", "UTC0");
    const auto rowset = OpenRows("(1, 'Form', 'A', 1719792000, 2460492.5)");
    EXPECT_EQ(Describe(rowset->Read(0, 1)), "date:2024-07-01 00:00:00");
    EXPECT_EQ(Describe(rowset->Read(0, 2)), "date:2024-07-01 00:00:00");
}

TEST_F(CatalogTest, BlobInAnyColumnIsAnErrorNamingRowAndColumn) {
    for (const char* column : {"name", "date_created", "date_updated"}) {
        SCOPED_TRACE(column);
        TempFolder folder;
        const std::string path = folder.File("c.db");
        RunSql(path, std::string(kCatalogTable) +
                         "INSERT INTO objects(rowid, kind, name, date_created, date_updated) VALUES"
                         "(3, 'Form', 'A', 1, 2), (17, 'Form', 'B', 1, 2), (18, 'Query', 'C', X'00', X'00');"
                         "UPDATE objects SET " +
                         column + " = X'0102' WHERE rowid = 17;");
        const auto result = Open("Form;" + path);
        EXPECT_EQ(result.status.number, errors::kBlobValue);
        EXPECT_EQ(result.rowset, nullptr);
        EXPECT_NE(result.status.description.find("row 17 "), std::string::npos) << result.status.description;
        EXPECT_NE(result.status.description.find("'" + std::string(column) + "'"), std::string::npos)
            << result.status.description;
    }
}

TEST_F(CatalogTest, RowQueriesWalkTheRecommendedIndexWithoutSorting) {
    RunSql(path_, std::string(kCatalogTable) +
                      "CREATE INDEX objects_kind_name ON objects(kind, name COLLATE NOCASE);");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    for (const char* query : CatalogReader::kRowQueries) {
        SCOPED_TRACE(query);
        sqlite3_stmt* plan = nullptr;
        ASSERT_EQ(
            sqlite3_prepare_v2(db, (std::string("EXPLAIN QUERY PLAN ") + query).c_str(), -1, &plan, nullptr),
            SQLITE_OK);
        std::string steps;
        while (sqlite3_step(plan) == SQLITE_ROW) {
            steps += reinterpret_cast<const char*>(sqlite3_column_text(plan, 3));
            steps += "\n";
        }
        sqlite3_finalize(plan);
        EXPECT_NE(steps.find("USING INDEX objects_kind_name (kind=?)"), std::string::npos) << steps;
        EXPECT_EQ(steps.find("TEMP B-TREE"), std::string::npos) << steps;
    }
    sqlite3_close(db);
}

TEST_F(CatalogTest, ColumnsNamedLikeTheRowIdDoNotDisturbOrder) {
    RunSql(path_,
           "CREATE TABLE objects(kind TEXT, name TEXT, date_created, date_updated, rowid);"
           "INSERT INTO objects(_rowid_, kind, name, rowid) VALUES (1, 'Form', 'a', 'z'), (2, 'Form', 'A', "
           "'b');");
    const auto result = Open("Form;" + path_);
    ASSERT_TRUE(result.status.ok()) << result.status.description;
    EXPECT_EQ(Describe(result.rowset->Read(0, 0)), "text:a");
    EXPECT_EQ(Describe(result.rowset->Read(1, 0)), "text:A");
}

}  // namespace
}  // namespace quorbix::testing
