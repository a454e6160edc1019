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

using browse::Failure;
using browse::ObjectBrowser;
using browse::testing::RecordingView;
using dataaccess::DateTime;
using dataaccess::Value;
using dataaccess::testing::MapResolver;
using dataaccess::testing::MemoryProvider;

const std::vector<std::string> kColumns = {"Name", "DateCreated", "DateUpdated"};

// Row k (from 1) is named "rowk", created on day k at midnight and updated on
// day k at 10:30.
std::shared_ptr<MemoryProvider> Rows(int n) {
    static const char* const names[] = {"row1", "row2", "row3", "row4", "row5"};
    std::vector<std::vector<Value>> rows;
    for (int k = 1; k <= n; ++k) {
        rows.push_back({Value::Text(names[k - 1]), Value::Date(DateTime{2024, 1, k, 0, 0, 0}),
                        Value::Date(DateTime{2024, 1, k, 10, 30, 0})});
    }
    return std::make_shared<MemoryProvider>(kColumns, std::move(rows));
}

std::vector<std::string> Shown(int k) {
    const std::string day = "0" + std::to_string(k);
    return {"Name=row" + std::to_string(k), "DateCreated=01/" + day + "/2024",
            "DateUpdated=01/" + day + "/2024 10:30:00"};
}

int ErrorNumberOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const Failure& failure) {
        return failure.status().number;
    }
    return 0;
}

class ObjectBrowserTest : public ::testing::Test {
protected:
    void Use(const std::shared_ptr<MemoryProvider>& provider) {
        provider_ = provider;
        resolver_.Add("Quorbix", provider);
    }
    std::shared_ptr<MemoryProvider> provider_;
    MapResolver resolver_;
    RecordingView view_;
    ObjectBrowser browser_{view_, resolver_, "C"};
};

// One script of clicks on a record set of n rows, right after opening it.
// Each click is 'N' (Next) or 'P' (Previous); each outcome is the row number
// shown, 'E' for "At End of File" or 'S' for "At Start of File".
struct Walk {
    int rows;
    const char* clicks;
    const char* outcomes;

    friend void PrintTo(const Walk& w, std::ostream* os) { *os << w.rows << " rows, " << w.clicks; }
};

class WalkTest : public ObjectBrowserTest, public ::testing::WithParamInterface<Walk> {};

TEST_P(WalkTest, EveryClickShowsTheRightRowOrMessage) {
    const Walk walk = GetParam();
    Use(Rows(walk.rows));
    browser_.OpenObjects();
    ASSERT_TRUE(view_.log.empty()) << "opening shows nothing";
    const std::string clicks = walk.clicks;
    const std::string outcomes = walk.outcomes;
    ASSERT_EQ(clicks.size(), outcomes.size());
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        SCOPED_TRACE("click " + std::to_string(i + 1) + " '" + clicks[i] + "'");
        const std::string boxesBefore[3] = {view_.boxes[0], view_.boxes[1], view_.boxes[2]};
        view_.log.clear();
        if (clicks[i] == 'N') {
            browser_.ShowNext();
        } else {
            browser_.ShowPrevious();
        }
        switch (outcomes[i]) {
            case 'E':
            case 'S': {
                const std::string message = outcomes[i] == 'E' ? "At End of File" : "At Start of File";
                EXPECT_EQ(view_.log, std::vector<std::string>{"message:" + message});
                for (int b = 0; b < 3; ++b)
                    EXPECT_EQ(view_.boxes[b], boxesBefore[b]) << "a message keeps the row";
                break;
            }
            default:
                EXPECT_EQ(view_.log, Shown(outcomes[i] - '0'));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(StateTable, WalkTest,
                         ::testing::Values(Walk{0, "NNPPN", "EESSE"},      // empty: stays put either way
                                           Walk{1, "NNPPPNN", "EE1SS1E"},  // one row
                                           Walk{2, "NNPPPN", "2E21S1"},    // first Next shows row 2
                                           Walk{2, "PNNNP", "S12E2"},  // row 1 is reached through the start
                                           Walk{5, "NNNNNNPPPPPPPN",
                                                "2345EE54321SS1"},  // there and back, repeated clicks
                                           Walk{5, "PPNPNN", "SS1S12"}));

TEST_F(ObjectBrowserTest, OpenObjectsBuildsTheSourceFromKindAndName) {
    struct Case {
        const char* type;
        const char* database;
        const char* source;
    };
    const Case cases[] = {
        {"Query", "/data/app.db", "Query;/data/app.db"},
        {"", "app.db", ";app.db"},
        {"Form", "", "Form;"},
        {"", "", ";"},
        {"Report", "a;b.db", "Report;a;b.db"},
        {"Form", " spaced 'quoted' \"name\" ", "Form; spaced 'quoted' \"name\" "},
    };
    Use(Rows(1));
    for (const Case& c : cases) {
        view_.type = c.type;
        view_.database = c.database;
        browser_.OpenObjects();
    }
    ASSERT_EQ(provider_->calls().size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const dataaccess::testing::OpenCall& call = provider_->calls()[i];
        EXPECT_EQ(call.source, cases[i].source);
        EXPECT_EQ(call.cursorType, -1);
        EXPECT_EQ(call.lockType, -1);
        EXPECT_EQ(call.options, -1);
    }
    EXPECT_TRUE(view_.log.empty());
}

TEST_F(ObjectBrowserTest, OpeningAgainStartsAFreshRecordSetAndKeepsTheBoxes) {
    Use(Rows(3));
    browser_.OpenObjects();
    browser_.ShowNext();
    browser_.ShowNext();
    EXPECT_EQ(view_.boxes[0], "row3");
    browser_.OpenObjects();
    EXPECT_EQ(view_.boxes[0], "row3") << "opening leaves the boxes alone";
    view_.log.clear();
    browser_.ShowNext();
    EXPECT_EQ(view_.log, Shown(2)) << "the new record set stood on row 1";
}

TEST_F(ObjectBrowserTest, AFailedOpenHasAlreadyReleasedTheOldRecordSet) {
    Use(Rows(3));
    browser_.OpenObjects();
    provider_->FailWith({2003, "Cannot find the database '/nope'."});
    EXPECT_EQ(ErrorNumberOf([&] { browser_.OpenObjects(); }), 2003);
    EXPECT_EQ(ErrorNumberOf([&] { browser_.ShowNext(); }), 1001) << "the old rows are gone";
}

TEST_F(ObjectBrowserTest, StepsBeforeAnyOpenAreObjectNotSet) {
    EXPECT_EQ(ErrorNumberOf([&] { browser_.ShowNext(); }), 101);
    EXPECT_EQ(ErrorNumberOf([&] { browser_.ShowPrevious(); }), 101);
    EXPECT_TRUE(view_.log.empty());
}

// A bad field stops the row part-way: the boxes before it keep the new row's
// values, the ones after it are not written.
TEST_F(ObjectBrowserTest, ABadFieldStopsTheRowWhereItIs) {
    struct Case {
        std::vector<std::string> columns;
        std::vector<Value> row;
        int number;
        std::vector<std::string> written;
    };
    const Case cases[] = {
        {{"Name", "DateUpdated"}, {Value::Text("x"), Value::Text("u")}, 1004, {"Name=x"}},
        {kColumns, {Value::Text("x"), Value::Null(), Value::Text("u")}, 102, {"Name=x"}},
        {kColumns, {Value::Text("x"), Value::Text("c"), Value::Null()}, 102, {"Name=x", "DateCreated=c"}},
        {kColumns, {Value::Null(), Value::Text("c"), Value::Text("u")}, 102, {}},
    };
    for (const Case& c : cases) {
        MapResolver resolver;
        resolver.Add("Quorbix", std::make_shared<MemoryProvider>(
                                    c.columns, std::vector<std::vector<Value>>{c.row, c.row}));
        RecordingView view;
        ObjectBrowser browser(view, resolver, "C");
        browser.OpenObjects();
        try {
            browser.ShowNext();
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.status().number, c.number);
            if (c.number == 102) {
                EXPECT_NE(failure.status().description.find("Null"), std::string::npos);
            }
        }
        EXPECT_EQ(view.log, c.written);
    }
}

TEST_F(ObjectBrowserTest, FieldNamesAreFoundInAnyCase) {
    std::vector<std::vector<Value>> rows(2, {Value::Text("n"), Value::Text("c"), Value()});
    resolver_.Add("quorbix", std::make_shared<MemoryProvider>(
                                 std::vector<std::string>{"NAME", "datecreated", "DateUPDATED"}, rows));
    view_.boxes[2] = "typed by the user";
    browser_.OpenObjects();
    browser_.ShowNext();
    EXPECT_EQ(view_.log, (std::vector<std::string>{"Name=n", "DateCreated=c", "DateUpdated="}));
    EXPECT_EQ(view_.boxes[2], "") << "an empty value empties its box";
}

}  // namespace
