// The browsing logic through its operations over rows in memory, and values shown in each locale's
// forms.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>

#include "failure.h"
#include "memoryprovider.h"
#include "objectbrowser.h"

namespace {

using dataaccess::DateTime, dataaccess::Value, dataaccess::testing::MemoryProvider;
using Log = std::vector<std::string>;
const std::vector<std::string> kColumns = {"Name", "DateCreated", "DateUpdated"};

// A window over rows in memory. Click: 'O' OpenObjects, 'N' ShowNext, 'P' ShowPrevious; it gives what
// the boxes ("Name=...") and messages ("message:...") got, then the failure that ended it, if any.
struct Browsing : browse::BrowserView {
    Browsing(std::vector<std::string> columns, dataaccess::testing::Rows data, std::string kind = "Form",
             std::string name = "x.db")
        : rows(new MemoryProvider(std::move(columns), std::move(data))),
          type(std::move(kind)),
          database(std::move(name)) {
        resolver.Add("Quorbix", rows);
    }
    Log Click(char click) {
        log.clear();
        try {
            click == 'O'   ? browser.OpenObjects(type, database)
            : click == 'N' ? browser.ShowNext()
                           : browser.ShowPrevious();
        } catch (const browse::Failure& failure) {
            log.push_back(std::to_string(failure.status().number) + " " + failure.status().description);
        }
        return log;
    }
    void SetBoxText(browse::Box box, std::string_view text) override {
        log.push_back(std::array{"Name=", "DateCreated=", "DateUpdated="}[static_cast<int>(box)] +
                      std::string(text));
    }
    void ShowMessage(std::string_view text) override { log.push_back("message:" + std::string(text)); }

    std::shared_ptr<MemoryProvider> rows;
    dataaccess::testing::MapResolver resolver;
    std::string type, database;
    Log log;
    browse::ObjectBrowser browser{*this, resolver, "C"};
};

// What one click leaves: row k (k from 1 is "rowk", created on January k 2024 at midnight and
// updated that day at 10:30), '-' nothing, 'E' or 'S' the message at the end or the start, or an error.
Log Outcome(char k) {
    // clang-format off
    static const std::map<char, Log> other = {{'-', {}}, {'E', {"message:At End of File"}},
        {'S', {"message:At Start of File"}}, {'F', {"2010 No db."}},
        {'T', {"2020 No table. A catalog is an SQLite file with that table; the manual page (man vantril) "
               "describes its format."}},
        {'X', {"101 Object not set: no record set is open yet. Pick a kind and press Vantril first."}},
        {'C', {"1001 The operation is not allowed when the record set is not open."}}};
    // clang-format on
    const std::string d(1, k);
    return other.count(k) ? other.at(k)
                          : Log{"Name=row" + d, "DateCreated=01/0" + d + "/2024",
                                "DateUpdated=01/0" + d + "/2024 10:30:00"};
}

// Clicks on n rows; 'F' and 'T' are Opens the provider fails. A message writes no box.
TEST(ObjectBrowser, EveryClickShowsTheRightRowOrMessage) {
    // clang-format off
    const std::tuple<int, std::string, std::string> walks[] = {
        {0, "ONNPPN", "-EESSE"}, {1, "ONNPPPNN", "-EE1SS1E"}, {5, "ONNNNNNPPPPPPPN", "-2345EE54321SS1"},
        {2, "ONNPPPN", "-2E21S1"},    // the first Next shows row 2
        {2, "OPNNNP", "-S12E2"},      // row 1 is reached through the start
        {3, "NPONNONFNP", "XX-23-2FCC"},  // a fresh record set every Open; a failing one drops the old
        {1, "TN", "TC"}};                 // no catalog table: where its format is described
    // clang-format on
    for (const auto& [n, clicks, outcomes] : walks) {
        dataaccess::testing::Rows rows;
        for (int k = 1; k <= n; ++k) {
            static const char* const names[] = {"row1", "row2", "row3", "row4", "row5"};
            rows.push_back({Value::Text(names[k - 1]), Value::Date(DateTime{2024, 1, k, 0, 0, 0}),
                            Value::Date(DateTime{2024, 1, k, 10, 30, 0})});
        }
        Browsing b(kColumns, rows);
        for (std::size_t i = 0; i < clicks.size(); ++i) {
            if (clicks[i] == 'F') b.rows->FailWith({2010, "No db."});
            if (clicks[i] == 'T') b.rows->FailWith({2020, "No table."});
            EXPECT_EQ(b.Click(clicks[i] == 'F' || clicks[i] == 'T' ? 'O' : clicks[i]), Outcome(outcomes[i]))
                << clicks << ' ' << i;
        }
    }
}

// The source is the kind, ";" and the name as they stand, with the three unspecified options.
TEST(ObjectBrowser, OpenAsksForKindSemicolonName) {
    // clang-format off
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"Report", " a;b.db ", "Report; a;b.db "}, {"", "x.db", ";x.db"}, {"Form", "", "Form;"},
        {"", "", ";"}};
    // clang-format on
    for (const auto& [kind, name, source] : cases) {
        Browsing b(kColumns, {}, kind, name);
        b.Click('O');
        const auto& call = b.rows->calls().at(0);
        EXPECT_EQ(std::tie(call.source, call.cursorType, call.lockType, call.options),
                  std::make_tuple(source, -1, -1, -1));
    }
}

// Fields are found in any case and written in the boxes' order; the first bad one stops the row.
TEST(ObjectBrowser, ShowsEachFieldOrStopsAtTheFirstBadOne) {
    const std::string null = "102 Invalid use of Null: the field '";
    const auto T = Value::Text;
    const std::string longName = std::string(99, 'n') + "\u00e9";  // cut before its last character
    // clang-format off
    const std::tuple<std::vector<std::string>, std::vector<Value>, Log> cases[] = {
        {{"NAME", "datecreated", "DateUPDATED"}, {T("n"), Value::Integer(-7), {}},
         {"Name=n", "DateCreated=-7", "DateUpdated="}},
        {{"Name", "DateUpdated"}, {T("x"), T("u")},
         {"Name=x", "1004 The record set has no field named 'DateCreated'."}},
        {kColumns, {T("x"), T("c"), Value::Null()},
         {"Name=x", "DateCreated=c", null + "DateUpdated' of the object 'x' has no value to show."}},
        {kColumns, {T(longName), Value::Null(), T("u")},
         {"Name=" + longName, null + "DateCreated' of the object '" + std::string(99, 'n') +
          "\u2026' has no value to show."}},
        {kColumns, {Value::Integer(7), Value::Null(), T("u")},
         {"Name=7", null + "DateCreated' of the object '7' has no value to show."}},
        {kColumns, {Value::Null(), T("c"), T("u")}, {null + "Name' has no value to show."}}};
    // clang-format on
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
// "": as the wall-clock date), -1234.5, and 0099-06-30 with its year padded (and in en_US more years).
// Compiled from glibc's sources: the zone after the time through %r, before it, its offset; %Oy digits; an
// era's year (th_TH); > 128 bytes.
TEST(ValueFormatter, DatesAndNumbersFollowTheLocale) {
    // clang-format off
    const std::tuple<std::string, const char*, const char*, const char*, const char*, bool, const char*>
        cases[] = {
        {"C", "02/11/2025 14:05:09", "02/11/2025", "-1234.5", "", false, "06/30/0099"},
        {"en_US.UTF-8", "02/11/2025 02:05:09 PM", "02/11/2025", "-1234.5", "", false, "06/30/0099"},
        {"de_DE.UTF-8", "11.02.2025 14:05:09", "11.02.2025", "-1234,5", "", false, "30.06.0099"},
        {"en_GB.UTF-8", "11/02/2025 14:05:09", "11/02/2025", "-1234.5", "", false, "30/06/0099"},
        {"tpi_PG.UTF-8", "11/02/2025 02:05:09 apinun", "11/02/2025", "-1234.5",
         "11/02/2025 02:05:09 apinun EST", true, "30/06/0099"},
        {"ar_EG.UTF-8", "11 فبر, 2025 02:05:09 م", "11 فبر, 2025", "-1234.5", "11 فبر, 2025 EST 02:05:09 م",
         true, "30 يون, 0099"},
        {"nb_NO.UTF-8", "11. feb. 2025 kl. 14.05", "11. feb. 2025", "-1234,5",
         "11. feb. 2025 kl. 14.05 -0500", true, "30. juni 0099"},
        {"fa_IR.UTF-8", "۲۰۲۵/۰۲/۱۱ ۱۴:۰۵:۰۹", "۲۰۲۵/۰۲/۱۱", "-1234.5", "", true, "۰۰۹۹/۰۶/۳۰"},
        {"th_TH.UTF-8", "11/02/2568 14:05:09", "11/02/2568", "-1234.5", "", true, "30/06/0642"},
        {"shn_MM.UTF-8", "႒႐႒႕ လိူၼ်သၢမ် ႑႑ ဝၼ်းဢၢင်းၵၢၼ်း ႑႔:႐႕:႐႙ ဝၢႆးဝၼ်း",
         "႒႐႒႕ လိူၼ်သၢမ် ႑႑ ဝၼ်းဢၢင်းၵၢၼ်း", "-1234.5", "", true, "႐႐႙႙ လိူၼ်ၸဵတ်း ႓႐ ဝၼ်းဢၢင်းၵၢၼ်း"}};
    // clang-format on
    for (const auto& [locale, withTime, midnight, real, instant, compiled, early] : cases) {
        const std::string folder = "/tmp/vantril-locale-" + std::to_string(getpid());
        std::string build = "localedef --no-archive -f UTF-8 -i " + locale.substr(0, locale.find('.'));
        build.append(" ").append(folder).append("/").append(locale).append(" >/dev/null 2>&1");
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(!compiled || std::system(build.c_str()) == 0) << build;
        if (compiled) setenv("LOCPATH", folder.c_str(), 1);
        const browse::ValueFormatter formatter(locale.c_str());  // reads its locale once, when made
        unsetenv("LOCPATH");
        std::filesystem::remove_all(folder);
        EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 2, 11, 14, 5, 9})), withTime) << locale;
        EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 2, 11, 0, 0, 0})), midnight) << locale;
        EXPECT_EQ(Format(formatter, Value::Date(DateTime{99, 6, 30, 0, 0, 0})), early) << locale << ": 0099";
        EXPECT_NE(Format(formatter, Value::Date(DateTime{2025, 2, 11, 0, 0, 1})), midnight) << locale;
        EXPECT_EQ(Format(formatter, Value::Real(-1234.5)), real) << locale;
        EXPECT_EQ(Format(formatter, Value::Integer(1234567)), "1234567") << locale << ": no grouping";
        const DateTime est{2025, 2, 11, 14, 5, 9, {'E', 'S', 'T'}, -5 * 3600};
        EXPECT_EQ(Format(formatter, Value::Date(est)), *instant ? instant : withTime) << locale;
    }
    const browse::ValueFormatter us("en_US.UTF-8");  // the first and last years, one below 1000
    for (const auto& [date, text] : {std::pair{DateTime{1, 1, 1}, "01/01/0001"},
                                     {DateTime{999, 12, 31, 10, 11, 12}, "12/31/0999 10:11:12 AM"},
                                     {DateTime{9999, 12, 31, 23, 59, 59}, "12/31/9999 11:59:59 PM"}})
        EXPECT_EQ(Format(us, Value::Date(date)), text) << date.year;
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

}  // namespace
