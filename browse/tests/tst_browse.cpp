// The browsing logic through its operations, over rows in memory and, end to end, over the real
// plug-in and the bundled sample; and values shown in each locale's forms.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "failure.h"
#include "memoryprovider.h"
#include "objectbrowser.h"
#include "pluginresolver.h"
#include "recordingview.h"

namespace {

using dataaccess::DateTime, dataaccess::Value, dataaccess::testing::MemoryProvider;
using Log = std::vector<std::string>;
const std::vector<std::string> kColumns = {"Name", "DateCreated", "DateUpdated"};
const std::string kClosed = "1001 The operation is not allowed when the record set is not open.";

// Row k (from 1) is "rowk", created on January k 2024 at midnight and updated that day at 10:30.
dataaccess::testing::Rows Rows(int n) {
    static const char* const names[] = {"row1", "row2", "row3", "row4", "row5"};
    dataaccess::testing::Rows rows;
    for (int k = 1; k <= n; ++k)
        rows.push_back({Value::Text(names[k - 1]), Value::Date(DateTime{2024, 1, k, 0, 0, 0}),
                        Value::Date(DateTime{2024, 1, k, 10, 30, 0})});
    return rows;
}
Log Shown(int k) {
    const std::string d = std::to_string(k);
    return {"Name=row" + d, "DateCreated=01/0" + d + "/2024", "DateUpdated=01/0" + d + "/2024 10:30:00"};
}

// A browser over rows in memory. Click: 'O' OpenObjects, 'N' ShowNext, 'P' ShowPrevious; it gives
// what the boxes and messages got, then the failure that ended it, if any, as "number description".
struct Browsing {
    Browsing(std::vector<std::string> columns, dataaccess::testing::Rows data)
        : rows(std::make_shared<MemoryProvider>(std::move(columns), std::move(data))) {
        resolver.Add("Quorbix", this->rows);
    }
    Log Click(char click) {
        view.log.clear();
        try {
            click == 'O' ? browser.OpenObjects() : click == 'N' ? browser.ShowNext() : browser.ShowPrevious();
        } catch (const browse::Failure& failure) {
            view.log.push_back(std::to_string(failure.status().number) + " " + failure.status().description);
        }
        return view.log;
    }
    std::shared_ptr<MemoryProvider> rows;
    dataaccess::testing::MapResolver resolver;
    browse::testing::RecordingView view;
    browse::ObjectBrowser browser{view, resolver, "C"};
};

// Clicks after opening n rows. Each outcome is the row shown, 'E' "At End of File" or 'S' "At Start
// of File"; a message writes no box.
TEST(ObjectBrowser, EveryClickShowsTheRightRowOrMessage) {
    const std::tuple<int, std::string, std::string> walks[] = {{0, "NNPPN", "EESSE"},
                                                               {1, "NNPPPNN", "EE1SS1E"},
                                                               {2, "NNPPPN", "2E21S1"},  // first Next: row 2
                                                               {2, "PNNNP", "S12E2"},
                                                               {5, "NNNNNNPPPPPPPN", "2345EE54321SS1"}};
    for (const auto& [n, clicks, outcomes] : walks) {
        Browsing b(kColumns, Rows(n));
        EXPECT_EQ(b.Click('O'), Log{}) << "opening shows nothing";
        for (std::size_t i = 0; i < clicks.size(); ++i) {
            EXPECT_EQ(b.Click(clicks[i]), outcomes[i] == 'E'   ? Log{"message:At End of File"}
                                          : outcomes[i] == 'S' ? Log{"message:At Start of File"}
                                                               : Shown(outcomes[i] - '0'))
                << n << " rows, click " << i + 1;
        }
    }
}

TEST(ObjectBrowser, OpenAsksForKindSemicolonNameWithTheThreeUnspecifiedOptions) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"Report", " a;b.db ", "Report; a;b.db "},
        {"", "x.db", ";x.db"},
        {"Form", "", "Form;"},
        {"", "", ";"}};
    for (const auto& [kind, name, source] : cases) {
        Browsing b(kColumns, Rows(1));
        b.view.type = kind, b.view.database = name;
        b.Click('O');
        const auto& call = b.rows->calls().at(0);
        EXPECT_EQ(std::tie(call.source, call.cursorType, call.lockType, call.options),
                  std::make_tuple(source, -1, -1, -1));
    }
}

// Every Open makes a fresh record set, and a failing one drops the old rows first. 'F': the
// provider fails from then on.
TEST(ObjectBrowser, StepsNeedAnOpenRecordSet) {
    const std::string notSet =
        "101 Object not set: no record set is open yet. Pick a kind and press Vantril first.";
    const std::pair<char, Log> script[] = {{'N', {notSet}}, {'P', {notSet}},        {'O', {}},
                                           {'N', Shown(2)}, {'N', Shown(3)},        {'O', {}},
                                           {'N', Shown(2)}, {'F', {"2010 No db."}}, {'N', {kClosed}},
                                           {'P', {kClosed}}};
    Browsing b(kColumns, Rows(3));
    for (const auto& [click, log] : script) {
        if (click == 'F') b.rows->FailWith({2010, "No db."});
        EXPECT_EQ(b.Click(click == 'F' ? 'O' : click), log) << click;
    }
}

// Fields are found in any case and written in the boxes' order; the first bad one stops the row.
TEST(ObjectBrowser, ShowsEachFieldOrStopsAtTheFirstBadOne) {
    const std::tuple<std::vector<std::string>, std::vector<Value>, Log> cases[] = {
        {{"NAME", "datecreated", "DateUPDATED"},
         {Value::Text("n"), Value::Integer(-7), Value()},
         {"Name=n", "DateCreated=-7", "DateUpdated="}},
        {{"Name", "DateUpdated"},
         {Value::Text("x"), Value::Text("u")},
         {"Name=x", "1004 The record set has no field named 'DateCreated'."}},
        {kColumns,
         {Value::Text("x"), Value::Text("c"), Value::Null()},
         {"Name=x", "DateCreated=c",
          "102 Invalid use of Null: the field 'DateUpdated' has no value to show."}},
        {kColumns,
         {Value::Null(), Value::Text("c"), Value::Text("u")},
         {"102 Invalid use of Null: the field 'Name' has no value to show."}}};
    for (const auto& [columns, row, log] : cases) {
        Browsing b(columns, {row, row});
        b.Click('O');
        EXPECT_EQ(b.Click('N'), log);
    }
}

std::string Format(const browse::ValueFormatter& formatter, const Value& value) {
    std::string out = "previous text";  // every conversion replaces it whole
    EXPECT_TRUE(formatter.Format(value, "Name", out).ok());
    return out;
}

// 2025-02-11 14:05:09 as a wall-clock date (no zone), at midnight, and as an instant in EST (-0500;
// "": as the wall-clock date), and -1234.5. Compiled: built from glibc's sources, as few systems
// install them: the zone after the time through %r, before it, its offset; %Oy digits; > 128 bytes.
TEST(ValueFormatter, DatesAndNumbersFollowTheLocale) {
    // clang-format off
    const std::tuple<std::string, const char*, const char*, const char*, const char*, bool> cases[] = {
        {"C", "02/11/2025 14:05:09", "02/11/2025", "-1234.5", "", false},
        {"en_US.UTF-8", "02/11/2025 02:05:09 PM", "02/11/2025", "-1234.5", "", false},
        {"de_DE.UTF-8", "11.02.2025 14:05:09", "11.02.2025", "-1234,5", "", false},
        {"en_GB.UTF-8", "11/02/2025 14:05:09", "11/02/2025", "-1234.5", "", false},
        {"tpi_PG.UTF-8", "11/02/2025 02:05:09 apinun", "11/02/2025", "-1234.5", "11/02/2025 02:05:09 apinun EST", true},
        {"ar_EG.UTF-8", "11 فبر, 2025 02:05:09 م", "11 فبر, 2025", "-1234.5", "11 فبر, 2025 EST 02:05:09 م", true},
        {"nb_NO.UTF-8", "11. feb. 2025 kl. 14.05", "11. feb. 2025", "-1234,5", "11. feb. 2025 kl. 14.05 -0500", true},
        {"fa_IR.UTF-8", "۲۰۲۵/۰۲/۱۱ ۱۴:۰۵:۰۹", "۲۰۲۵/۰۲/۱۱", "-1234.5", "", true},
        {"shn_MM.UTF-8", "႒႐႒႕ လိူၼ်သၢမ် ႑႑ ဝၼ်းဢၢင်းၵၢၼ်း ႑႔:႐႕:႐႙ ဝၢႆးဝၼ်း", "႒႐႒႕ လိူၼ်သၢမ် ႑႑ ဝၼ်းဢၢင်းၵၢၼ်း", "-1234.5", "", true}};
    // clang-format on
    for (const auto& [locale, withTime, midnight, real, instant, compiled] : cases) {
        const std::string folder = "/tmp/vantril-locale-" + std::to_string(getpid());
        const std::string build = "localedef --no-archive -f UTF-8 -i " + locale.substr(0, locale.find('.')) +
                                  " " + folder + "/" + locale + " >/dev/null 2>&1";
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(!compiled || std::system(build.c_str()) == 0) << build;
        if (compiled) setenv("LOCPATH", folder.c_str(), 1);
        const browse::ValueFormatter formatter(locale.c_str());  // reads its locale once, when made
        unsetenv("LOCPATH");
        std::filesystem::remove_all(folder);
        EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 2, 11, 14, 5, 9})), withTime) << locale;
        EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 2, 11, 0, 0, 0})), midnight) << locale;
        EXPECT_NE(Format(formatter, Value::Date(DateTime{2025, 2, 11, 0, 0, 1})), midnight) << locale;
        EXPECT_EQ(Format(formatter, Value::Real(-1234.5)), real) << locale;
        EXPECT_EQ(Format(formatter, Value::Integer(1234567)), "1234567") << locale << ": no grouping";
        const DateTime est{2025, 2, 11, 14, 5, 9, {'E', 'S', 'T'}, -5 * 3600};
        EXPECT_EQ(Format(formatter, Value::Date(est)), *instant ? instant : withTime) << locale;
    }
    const std::string odd("a\0b\xff\xfe", 5), longText(100000, 'x');  // text shown whole, as it came
    const std::pair<Value, std::string> values[] = {{Value::Text(odd), odd},
                                                    {Value::Text(longText), longText},
                                                    {Value(), ""},
                                                    {Value::Real(0.1), "0.1"},
                                                    {Value::Integer(INT64_MIN), "-9223372036854775808"},
                                                    {Value::Integer(INT64_MAX), "9223372036854775807"},
                                                    {Value::Real(1e300), "1e+300"},
                                                    {Value::Real(INFINITY), "inf"},
                                                    {Value::Real(NAN), "nan"}};
    for (const auto& [value, text] : values) EXPECT_EQ(Format(browse::ValueFormatter("C"), value), text);
}

TEST(ValueFormatter, AMissingNumericLocaleKeepsTheDates) {
    unsetenv("LC_ALL");
    setenv("LC_TIME", "de_DE.UTF-8", 1);
    setenv("LC_NUMERIC", "xx_NOWHERE.UTF-8", 1);
    const browse::ValueFormatter formatter("");
    unsetenv("LC_TIME"), unsetenv("LC_NUMERIC");
    EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 6, 30, 14, 5, 9})), "30.06.2025 14:05:09");
    EXPECT_EQ(Format(formatter, Value::Real(-1234.5)), "-1234.5");
}

// The twelve queries of the sample, in name order, there and back, in UTC; the rows picked show the
// date forms at midnight and with a time of day.
TEST(EndToEnd, WalksEveryQueryForwardAndBack) {
    setenv("TZ", "UTC0", 1);
    tzset();
    const dataaccess::PluginResolver resolver(dataaccess::PluginResolver::FoldersFor(VANTRIL_EXECUTABLE));
    browse::testing::RecordingView view;
    view.type = "Query", view.database = SAMPLE_DB;
    browse::ObjectBrowser browser(view, resolver, "C");
    browser.OpenObjects();
    browser.ShowPrevious();  // row 1 is reached through the start
    for (int i = 0; i < 13; ++i) browser.ShowNext();
    browser.ShowPrevious();
    const Log log(view.log.begin() + 1, view.log.end());
    ASSERT_EQ(log.size(), 12 * 3 + 4) << "12 rows, the end, and back to the last";
    EXPECT_EQ(Log(log.begin(), log.begin() + 3),
              (Log{"Name=Customer List", "DateCreated=02/10/2023", "DateUpdated=03/01/2024 12:00:00"}));
    EXPECT_EQ(
        Log(log.begin() + 12, log.begin() + 15),
        (Log{"Name=Orders by Month", "DateCreated=09/18/2023 14:02:30", "DateUpdated=11/04/2024 11:20:00"}));
    EXPECT_EQ(Log(log.begin() + 24, log.begin() + 27),
              (Log{"Name=Supplier Products", "DateCreated=04/03/2023", "DateUpdated=04/03/2023"}));
    for (std::size_t row = 3; row < 36; row += 3)
        EXPECT_LE(strcasecmp(log[row - 3].c_str(), log[row].c_str()), 0);
    EXPECT_EQ(Log(log.end() - 4, log.end()), (Log{"message:At End of File", log[33], log[34], log[35]}));
}

}  // namespace
