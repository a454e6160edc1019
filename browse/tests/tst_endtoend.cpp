// The browsing logic over the real data-access layer and the real Quorbix
// plug-in, on the bundled sample catalog.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "objectbrowser.h"
#include "pluginresolver.h"
#include "recordingview.h"

namespace {

using Log = std::vector<std::string>;

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Julian days and Unix seconds are UTC; shown here in UTC too.
        setenv("TZ", "UTC0", 1);
        tzset();
        view_.database = SAMPLE_DB;
    }
    dataaccess::PluginResolver resolver_{dataaccess::PluginResolver::FoldersFor(VANTRIL_EXECUTABLE)};
    browse::testing::RecordingView view_;
    browse::ObjectBrowser browser_{view_, resolver_, "C"};
};

// The twelve queries in name order, whatever their case, there and back; the
// rows picked show the date forms at midnight and with a time of day.
TEST_F(EndToEndTest, WalksEveryQueryForwardAndBack) {
    view_.type = "Query";
    browser_.OpenObjects();
    browser_.ShowPrevious();  // row 1 is reached through the start
    std::vector<Log> rows;
    for (int guard = 0; guard < 100; ++guard) {
        view_.log.clear();
        browser_.ShowNext();
        if (view_.log == Log{"message:At End of File"}) break;
        rows.push_back(view_.log);
    }
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[0],
              (Log{"Name=Customer List", "DateCreated=02/10/2023", "DateUpdated=03/01/2024 12:00:00"}));
    EXPECT_EQ(rows[4], (Log{"Name=Orders by Month", "DateCreated=09/18/2023 14:02:30",
                            "DateUpdated=11/04/2024 11:20:00"}));
    EXPECT_EQ(rows[8], (Log{"Name=Supplier Products", "DateCreated=04/03/2023", "DateUpdated=04/03/2023"}));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_LE(strcasecmp(rows[i - 1][0].c_str(), rows[i][0].c_str()), 0) << "ordered by name, any case";
    }
    for (std::size_t i = rows.size(); i-- > 0;) {
        view_.log.clear();
        browser_.ShowPrevious();
        EXPECT_EQ(view_.log, rows[i]);
    }
    view_.log.clear();
    browser_.ShowPrevious();
    EXPECT_EQ(view_.log, Log{"message:At Start of File"});
}

TEST_F(EndToEndTest, TheOnlyReportIsReachedThroughTheStart) {
    view_.type = "Report";
    browser_.OpenObjects();
    browser_.ShowNext();
    browser_.ShowPrevious();
    EXPECT_EQ(view_.log, (Log{"message:At End of File", "Name=Invoice", "DateCreated=02/20/2023",
                              "DateUpdated=12/02/2024 08:45:00"}));
}

}  // namespace
