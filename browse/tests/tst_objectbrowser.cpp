#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "failure.h"
#include "memoryprovider.h"
#include "objectbrowser.h"
#include "recordingview.h"

namespace {

using browse::ObjectBrowser;
using browse::testing::RecordingView;
using dataaccess::DateTime;
using dataaccess::Status;
using dataaccess::Value;
using dataaccess::testing::MapResolver;
using dataaccess::testing::MemoryProvider;
using Log = std::vector<std::string>;

const std::vector<std::string> kColumns = {"Name", "DateCreated", "DateUpdated"};

// Row k (from 1) is "rowk", created on January k 2024 at midnight and
// updated that day at 10:30.
std::shared_ptr<MemoryProvider> Rows(int n) {
    static const char* const names[] = {"row1", "row2", "row3", "row4", "row5"};
    std::vector<std::vector<Value>> rows;
    for (int k = 1; k <= n; ++k) {
        rows.push_back({Value::Text(names[k - 1]), Value::Date(DateTime{2024, 1, k, 0, 0, 0}),
                        Value::Date(DateTime{2024, 1, k, 10, 30, 0})});
    }
    return std::make_shared<MemoryProvider>(kColumns, std::move(rows));
}

// What the boxes are given for row k.
Log Shown(int k) {
    const std::string d = std::to_string(k);
    return {"Name=row" + d, "DateCreated=01/0" + d + "/2024", "DateUpdated=01/0" + d + "/2024 10:30:00"};
}

Status FailureOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const browse::Failure& failure) {
        return failure.status();
    }
    return {};
}

class ObjectBrowserTest : public ::testing::Test {
protected:
    std::shared_ptr<MemoryProvider> Serve(const std::shared_ptr<MemoryProvider>& provider) {
        resolver_.Add("Quorbix", provider);
        return provider;
    }
    MapResolver resolver_;
    RecordingView view_;
    ObjectBrowser browser_{view_, resolver_, "C"};
};

// Clicks right after opening n rows: 'N' Next, 'P' Previous. Each outcome is
// the row shown, 'E' "At End of File" or 'S' "At Start of File"; a message
// writes no box.
TEST(ObjectBrowser, EveryClickShowsTheRightRowOrMessage) {
    const struct {
        int rows;
        const char* clicks;
        const char* outcomes;
    } walks[] = {
        {0, "NNPPN", "EESSE"},                    // empty: stays put either way
        {1, "NNPPPNN", "EE1SS1E"},                // one row
        {2, "NNPPPN", "2E21S1"},                  // the first Next shows row 2
        {2, "PNNNP", "S12E2"},                    // row 1 is reached through the start
        {5, "NNNNNNPPPPPPPN", "2345EE54321SS1"},  // there and back, repeated clicks
    };
    for (const auto& walk : walks) {
        MapResolver resolver;
        resolver.Add("Quorbix", Rows(walk.rows));
        RecordingView view;
        ObjectBrowser browser(view, resolver, "C");
        browser.OpenObjects();
        EXPECT_EQ(view.log, Log{}) << "opening shows nothing";
        for (int i = 0; walk.clicks[i] != '\0'; ++i) {
            SCOPED_TRACE(std::to_string(walk.rows) + " rows, click " + std::to_string(i + 1));
            view.log.clear();
            walk.clicks[i] == 'N' ? browser.ShowNext() : browser.ShowPrevious();
            const char outcome = walk.outcomes[i];
            EXPECT_EQ(view.log, outcome == 'E'   ? Log{"message:At End of File"}
                                : outcome == 'S' ? Log{"message:At Start of File"}
                                                 : Shown(outcome - '0'));
        }
    }
}

TEST_F(ObjectBrowserTest, OpenAsksForKindSemicolonNameWithTheThreeUnspecifiedOptions) {
    const auto rows = Serve(Rows(1));
    view_.type = "Report";
    view_.database = " a;b.db ";
    browser_.OpenObjects();
    ASSERT_EQ(rows->calls().size(), 1u);
    EXPECT_EQ(rows->calls()[0].source, "Report; a;b.db ");
    EXPECT_EQ(rows->calls()[0].cursorType, -1);
    EXPECT_EQ(rows->calls()[0].lockType, -1);
    EXPECT_EQ(rows->calls()[0].options, -1);
}

TEST_F(ObjectBrowserTest, OpeningAgainStartsAfreshAndAFailedOpenDropsTheOldRows) {
    const auto rows = Serve(Rows(3));
    browser_.OpenObjects();
    browser_.ShowNext();
    browser_.ShowNext();
    view_.log.clear();
    browser_.OpenObjects();
    EXPECT_EQ(view_.log, Log{}) << "opening leaves the boxes alone";
    browser_.ShowNext();
    EXPECT_EQ(view_.log, Shown(2)) << "the new record set stood on row 1";

    rows->FailWith({2010, "Cannot find the database '/nope'."});
    EXPECT_EQ(FailureOf([&] { browser_.OpenObjects(); }).number, 2010);
    const Status stale = FailureOf([&] { browser_.ShowNext(); });
    EXPECT_EQ(stale.number, 1001) << "the old rows are gone";
    EXPECT_EQ(stale.description, "The operation is not allowed when the record set is not open.");
}

TEST_F(ObjectBrowserTest, StepsBeforeAnyOpenAreObjectNotSet) {
    for (const Status& status :
         {FailureOf([&] { browser_.ShowNext(); }), FailureOf([&] { browser_.ShowPrevious(); })}) {
        EXPECT_EQ(status.number, 101);
        EXPECT_EQ(status.description,
                  "Object not set: no record set is open yet. Pick a kind and press Vantril first.");
    }
    EXPECT_EQ(view_.log, Log{});
}

// Fields are found in any case and written in the boxes' order; the first
// bad one stops the row where it is.
TEST(ObjectBrowser, ShowsEachFieldOrStopsAtTheFirstBadOne) {
    const struct {
        std::vector<std::string> columns;
        std::vector<Value> row;
        Status failure;
        Log written;
    } cases[] = {
        {{"NAME", "datecreated", "DateUPDATED"},
         {Value::Text("n"), Value::Integer(-7), Value()},
         {},
         {"Name=n", "DateCreated=-7", "DateUpdated="}},
        {{"Name", "DateUpdated"},
         {Value::Text("x"), Value::Text("u")},
         {1004, "The record set has no field named 'DateCreated'."},
         {"Name=x"}},
        {kColumns,
         {Value::Text("x"), Value::Text("c"), Value::Null()},
         {102, "Invalid use of Null: the field 'DateUpdated' has no value to show."},
         {"Name=x", "DateCreated=c"}},
        {kColumns,
         {Value::Null(), Value::Text("c"), Value::Text("u")},
         {102, "Invalid use of Null: the field 'Name' has no value to show."},
         {}},
    };
    for (const auto& c : cases) {
        MapResolver resolver;
        resolver.Add("Quorbix", std::make_shared<MemoryProvider>(
                                    c.columns, std::vector<std::vector<Value>>{c.row, c.row}));
        RecordingView view;
        ObjectBrowser browser(view, resolver, "C");
        browser.OpenObjects();
        const Status status = FailureOf([&] { browser.ShowNext(); });
        EXPECT_EQ(status.number, c.failure.number);
        EXPECT_EQ(status.description, c.failure.description);
        EXPECT_EQ(view.log, c.written);
    }
}

}  // namespace
