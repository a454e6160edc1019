// The browsing logic over the real data-access layer and the real Quorbix
// plug-in, on the bundled sample catalog.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "failure.h"
#include "objectbrowser.h"
#include "pluginresolver.h"
#include "recordingview.h"

namespace {

using browse::testing::RecordingView;

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Julian days and Unix seconds are UTC; shown here in UTC too.
        setenv("TZ", "UTC0", 1);
        tzset();
        view_.database = SAMPLE_DB;
    }
    dataaccess::PluginResolver resolver_{dataaccess::PluginResolver::FoldersFor(VANTRIL_EXECUTABLE)};
    RecordingView view_;
    browse::ObjectBrowser browser_{view_, resolver_, "C"};
};

TEST_F(EndToEndTest, WalksEveryQueryForwardAndBack) {
    view_.type = "Query";
    browser_.OpenObjects();
    // Row 1 is reached through the start.
    browser_.ShowPrevious();
    std::vector<std::vector<std::string>> rows;
    for (int guard = 0; guard < 100; ++guard) {
        view_.log.clear();
        browser_.ShowNext();
        if (view_.log == std::vector<std::string>{"message:At End of File"}) break;
        rows.push_back(view_.log);
    }
    ASSERT_EQ(rows.size(), 12u);
    // The three date forms, at midnight and with a time of day.
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Name=Customer List", "DateCreated=02/10/2023",
                                                 "DateUpdated=03/01/2024 12:00:00"}));
    EXPECT_EQ(rows[4], (std::vector<std::string>{"Name=Orders by Month", "DateCreated=09/18/2023 14:02:30",
                                                 "DateUpdated=11/04/2024 11:20:00"}));
    EXPECT_EQ(rows[8], (std::vector<std::string>{"Name=Supplier Products", "DateCreated=04/03/2023",
                                                 "DateUpdated=04/03/2023"}));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_LE(strcasecmp(rows[i - 1][0].c_str(), rows[i][0].c_str()), 0) << "ordered by name, any case";
    }
    // And back again, row by row, to the start.
    for (std::size_t i = rows.size(); i-- > 0;) {
        view_.log.clear();
        browser_.ShowPrevious();
        EXPECT_EQ(view_.log, rows[i]);
    }
    view_.log.clear();
    browser_.ShowPrevious();
    EXPECT_EQ(view_.log, std::vector<std::string>{"message:At Start of File"});
}

TEST_F(EndToEndTest, TheOnlyReportIsReachedThroughTheStart) {
    view_.type = "Report";
    browser_.OpenObjects();
    browser_.ShowNext();
    browser_.ShowPrevious();
    EXPECT_EQ(view_.log,
              (std::vector<std::string>{"message:At End of File", "Name=Invoice", "DateCreated=02/20/2023",
                                        "DateUpdated=12/02/2024 08:45:00"}));
}

TEST_F(EndToEndTest, BadInputEndsInTheProvidersNumberedError) {
    struct Case {
        const char* type;
        const char* database;
        int number;
    };
    for (const Case c :
         {Case{"", SAMPLE_DB, 2002}, Case{"Form", "", 2003}, Case{"Form", "/nonexistent/catalog.db", 2010},
          Case{"Form", VANTRIL_EXECUTABLE, 2013}}) {
        SCOPED_TRACE(c.database);
        view_.type = c.type;
        view_.database = c.database;
        try {
            browser_.OpenObjects();
            ADD_FAILURE() << "opened";
        } catch (const browse::Failure& failure) {
            EXPECT_EQ(failure.status().number, c.number) << failure.status().description;
        }
    }
}

// Replacing the record set releases the old one, its rows and its provider,
// on success and on failure alike. Built with the asan preset, LeakSanitizer
// checks that here and again at exit; otherwise the loop still has to run
// through cleanly.
TEST_F(EndToEndTest, OpeningAThousandTimesLeaksNothing) {
    const char* kinds[] = {"Form", "Query", "Report"};
    int failures = 0;
    for (int i = 0; i < 1000; ++i) {
        view_.type = kinds[i % 3];
        view_.database = i % 10 == 9 ? VANTRIL_EXECUTABLE : SAMPLE_DB;  // every tenth is no database
        try {
            browser_.OpenObjects();
            browser_.ShowNext();
        } catch (const browse::Failure& failure) {
            EXPECT_EQ(failure.status().number, 2013) << failure.status().description;
            ++failures;
        }
        view_.log.clear();
    }
    EXPECT_EQ(failures, 100);
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "see the leak report above";
#endif
}

}  // namespace
