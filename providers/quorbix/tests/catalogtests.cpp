// How a catalog's dates are delivered, and how its rows are queried. What
// each odd value, file or schema gives is in the table of filetests.cpp.

#include "catalog.h"
#include "catalogreader.h"
#include "testdatabase.h"

namespace quorbix::testing {
namespace {

TEST(Catalog, DatesInEachFormAreLocalWallClockDates) {
    // Central European time, spelled out so that no zone files are needed.
    ScopedEnvironment zone("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    const struct {
        const char* stored;  // an SQL literal
        const char* expected;
    } cases[] = {
        // Text is wall-clock already: never shifted.
        {"'2024-03-05'", "date:2024-03-05 00:00:00"},
        {"'2024-03-05 14:30'", "date:2024-03-05 14:30:00"},
        {"'2024-03-05 14:30:59'", "date:2024-03-05 14:30:59"},
        {"'2024-02-29T23:59'", "date:2024-02-29 23:59:00"},
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
        // Julian days are UTC too, rounded to the nearest second.
        {"2440587.5", "date:1970-01-01 01:00:00"},
        {"2460492.5", "date:2024-07-01 02:00:00"},
        {"2460492.5000046296", "date:2024-07-01 02:00:00"},  // +0.4 s
        {"2460492.5000069444", "date:2024-07-01 02:00:01"},  // +0.6 s
        // The years 1 to 9999 count in local time; outside them, as stored.
        {"253402297199", "date:9999-12-31 23:59:59"},
        {"253402297200", "int:253402297200"},  // 9999-12-31 23:00 UTC is the year 10000 here
        {"-62135600400", "date:0001-01-01 00:00:00"},
        {"-62135600401", "int:-62135600401"},
        {"-1.0", "real:-1"},
        {"NULL", "null"},
    };
    TempFolder folder;
    std::string sql = std::string(kCatalogTable) + "INSERT INTO objects VALUES ";
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        // The same value in both date columns, named in order.
        sql += (i == 0 ? "" : ",") + ("('Form', printf('%03d', " + std::to_string(i)) + "), " +
               cases[i].stored + ", " + cases[i].stored + ")";
    }
    RunSql(folder.File("c.db"), sql);
    const auto result = Open("Form;" + folder.File("c.db"));
    ASSERT_TRUE(result.status.ok()) << result.status.description;
    ASSERT_EQ(result.rowset->RowCount(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Describe(result.rowset->Read(i, 1)), cases[i].expected) << cases[i].stored;
        EXPECT_EQ(Describe(result.rowset->Read(i, 2)), cases[i].expected) << cases[i].stored;
    }
    // Instants carry their zone at that instant; wall-clock text has none.
    const auto zoneOf = [&](std::size_t row) {
        const dataaccess::DateTime date = result.rowset->Read(row, 1).AsDate();
        return std::string(date.zone.data()) + std::to_string(date.utcOffset);
    };
    EXPECT_EQ(zoneOf(1), "0");
    EXPECT_EQ(zoneOf(19), "CET3600");   // 0
    EXPECT_EQ(zoneOf(20), "CEST7200");  // 1719792000
    EXPECT_EQ(zoneOf(23), "CEST7200");  // 2460492.5
    // Shown without a time of day only at midnight.
    EXPECT_TRUE(result.rowset->Read(0, 1).AsDate().IsMidnight());
    EXPECT_FALSE(result.rowset->Read(1, 1).AsDate().IsMidnight());
}

// Rows fill more than one block and names more than one chunk, and a name
// and a date text outgrow a chunk: each cell reads back as it was appended.
TEST(Catalog, CellsReadBackAcrossBlocksAndChunks) {
    Catalog catalog;
    std::vector<std::string> expected;
    for (std::size_t row = 0; row < Catalog::kRowsPerBlock + 5; ++row) {
        const auto number = static_cast<std::int64_t>(row);
        std::string name(row == 4001 ? Catalog::kChunkBytes + 1 : row % 200,
                         static_cast<char>('a' + row % 26));
        if (row % 7 == 1) {
            catalog.AppendNull();
            name = "null";
        } else if (row % 7 == 2) {
            catalog.AppendInteger(-number);
            name = "int:-" + std::to_string(row);
        } else if (row % 7 == 3) {
            catalog.AppendReal(static_cast<double>(number) + 0.5);
            name = "real:" + std::to_string(row) + ".5";
        } else {
            catalog.AppendText(name);
            name.insert(0, "text:");
        }
        catalog.AppendUnixSeconds(-99999999999999);  // no date: stays a number
        const std::string text =
            row == 4002 ? std::string(Catalog::kChunkBytes, 'd') : "d" + std::to_string(row);
        row % 3 == 0   ? catalog.AppendText(text)
        : row % 3 == 1 ? catalog.AppendNull()
                       : catalog.AppendDate({2024, 1, 2, 3, 4, 5});
        expected.push_back(name + "|int:-99999999999999|" +
                           (row % 3 == 0   ? "text:" + text
                            : row % 3 == 1 ? "null"
                                           : "date:2024-01-02 03:04:05"));
    }
    catalog.FinishLoading();
    EXPECT_EQ(Walk(catalog), expected);
}

TEST(Catalog, RowQueriesWalkTheRecommendedIndexWithoutSorting) {
    TempFolder folder;
    RunSql(folder.File("c.db"), std::string(kCatalogTable) +
                                    "CREATE INDEX objects_kind_name ON objects(kind, name COLLATE NOCASE);");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(folder.File("c.db").c_str(), &db), SQLITE_OK);
    for (const char* query : CatalogReader::kRowQueries) {
        sqlite3_stmt* plan = nullptr;
        ASSERT_EQ(
            sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + std::string(query)).c_str(), -1, &plan, nullptr),
            SQLITE_OK);
        std::string steps;
        while (sqlite3_step(plan) == SQLITE_ROW)
            steps += reinterpret_cast<const char*>(sqlite3_column_text(plan, 3)) + std::string("\n");
        sqlite3_finalize(plan);
        EXPECT_NE(steps.find("USING INDEX objects_kind_name (kind=?)"), std::string::npos) << query << steps;
        EXPECT_EQ(steps.find("TEMP B-TREE"), std::string::npos) << query << steps;
    }
    sqlite3_close(db);
}

}  // namespace
}  // namespace quorbix::testing
