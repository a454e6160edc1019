// The browsing logic through its operations over rows in memory, and values shown in each locale's
// forms.
#include <gtest/gtest.h>

#include <array>

#include "failure.h"
#include "memoryprovider.h"
#include "objectbrowser.h"

namespace {

using dataaccess::DateTime, dataaccess::Value, dataaccess::testing::MemoryProvider, dataaccess::testing::Rows;
const auto kName = [](const auto& info) { return std::string(info.param.name); };
const std::vector<std::string> kColumns = {"Name", "DateCreated", "DateUpdated"};

enum Press { Open, NoTable, Next, Previous };  // NoTable is an Open that fails

// A window over rows in memory. After a press (an Open asks for "Report" in " a;b.db "), what its boxes and
// messages got, then the failure that ended the operation, if any.
struct Browsing : browse::BrowserView {
    explicit Browsing(Rows data, std::vector<std::string> columns = kColumns)
        : rows(new MemoryProvider(std::move(columns), std::move(data))) {
        resolver.Add("Quorbix", rows);
    }
    std::string Pressed(Press press) {
        log.clear();
        if (press == NoTable) rows->FailWith({2020, "No table."});
        try {
            press == Next       ? browser.ShowNext()
            : press == Previous ? browser.ShowPrevious()
                                : browser.OpenObjects("Report", " a;b.db ");
        } catch (const browse::Failure& failure) {
            log += std::to_string(failure.status().number) + " " + failure.status().description;
        }
        return log;
    }
    void SetBoxText(browse::Box box, std::string_view text) override {
        log.append(std::array{"Name=", "DateCreated=", "DateUpdated="}[static_cast<int>(box)]).append(text) +=
            ' ';
    }
    void ShowMessage(std::string_view text) override { log.append("message:").append(text); }

    std::shared_ptr<MemoryProvider> rows;
    dataaccess::testing::MapResolver resolver;
    std::string log;
    browse::ObjectBrowser browser{*this, resolver, "C"};
};

struct Step {
    Press press;
    const char* log;
};
struct Walk {
    const char* name;
    std::vector<Step> steps;
};
class Presses : public testing::TestWithParam<Walk> {};

TEST_P(Presses, ShowTheRightRowOrMessage) {
    Browsing b({{Value::Integer(1), Value::Text("c"), {}}, {Value::Integer(2), Value::Text("c"), {}}});
    int step = 0;
    for (const auto& [press, log] : GetParam().steps) {
        ++step;
        EXPECT_EQ(b.Pressed(press), log) << "after press " << step;
    }
}

const Walk kWalks[] = {
    {"TwoRows",
     {{Open, ""},
      {Next, "Name=2 DateCreated=c DateUpdated= "},
      {Next, "message:At End of File"},
      {Next, "message:At End of File"},
      {Previous, "Name=2 DateCreated=c DateUpdated= "},
      {Previous, "Name=1 DateCreated=c DateUpdated= "},
      {Previous, "message:At Start of File"},
      {Next, "Name=1 DateCreated=c DateUpdated= "}}},
    {"EveryOpenAFreshRecordSet",
     {{Next, "101 Object not set: no record set is open yet. Pick a kind and press Vantril first."},
      {Open, ""},
      {Next, "Name=2 DateCreated=c DateUpdated= "},
      {Open, ""},
      {Next, "Name=2 DateCreated=c DateUpdated= "},
      {NoTable,
       "2020 No table. A catalog is an SQLite file with that table; "
       "the manual page (man vantril) describes its format."},
      {Previous, "1001 The operation is not allowed when the record set is not open."}}}};
INSTANTIATE_TEST_SUITE_P(ObjectBrowser, Presses, testing::ValuesIn(kWalks), kName);

// Fields are found in any case and written in the boxes' order; the first bad one stops the row. A null
// after the name names the row by it, cut short at a character's start.
struct Row {
    const char* name;
    std::vector<Value> row;
    const char* log;
    std::vector<std::string> columns = kColumns;
};
class Fields : public testing::TestWithParam<Row> {};

TEST_P(Fields, ShowEachFieldOrStopAtTheFirstBadOne) {
    Browsing b({GetParam().row, GetParam().row}, GetParam().columns);
    b.Pressed(Open);
    EXPECT_EQ(b.Pressed(Next), GetParam().log);
    EXPECT_EQ(b.rows->calls().at(0).source, "Report; a;b.db ");  // the kind and the name as they stand
}

const Row kRows[] = {
    {"AnyCaseNumberEmptyAndNull",
     {Value::Integer(-7), {}, Value::Null()},
     "Name=-7 DateCreated= 102 Invalid use of Null: the field 'DateUpdated' of the object '-7' has no value "
     "to show.",
     {"NAME", "datecreated", "DateUPDATED"}},
    {"MissingField",
     {Value::Text("x"), Value::Text("u")},
     "Name=x 1004 The record set has no field named 'DateCreated'.",
     {"Name", "DateUpdated"}},
    {"NullAfterALongName",
     {Value::Text("nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"
                  "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnné"),
      Value::Null(), Value::Text("u")},
     "Name="
     "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnné "
     "102 "
     "Invalid use of Null: the field 'DateCreated' of the object "
     "'nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn…' "
     "has no "
     "value to show."},
    {"NullName",
     {Value::Null(), Value::Text("c"), Value::Text("u")},
     "102 Invalid use of Null: the field 'Name' has no value to show."}};
INSTANTIATE_TEST_SUITE_P(ObjectBrowser, Fields, testing::ValuesIn(kRows), kName);

// Each value as the formatter shows it, joined by "|".
std::string Shown(const browse::ValueFormatter& formatter, std::initializer_list<Value> values) {
    std::string shown, out = "previous text";  // every conversion replaces it whole
    for (const Value& value : values) {
        EXPECT_TRUE(formatter.Format(value, "Name", out).ok());
        shown += (shown.empty() ? "" : "|") + out;
    }
    return shown;
}

struct Forms {
    const char* name;
    const char* shown;
};
class Locales : public testing::TestWithParam<Forms> {};

// 2025-02-11 14:05:09 as a wall-clock date (no zone), at midnight, and as an instant in EST (-0500), then
// 0099-06-30 with its year padded, and -1234.5. Compiled from glibc's sources: the zone after the time
// through %r, before it, its offset; %Oy digits; an era's year (th_TH); > 128 bytes (shn_MM). tools/setup
// makes them.
TEST_P(Locales, ShowDatesAndNumbersInTheirForms) {
    const DateTime instant{2025, 2, 11, 14, 5, 9, {'E', 'S', 'T'}, -5 * 3600};
    EXPECT_EQ(Shown(browse::ValueFormatter(GetParam().name),
                    {Value::Date({2025, 2, 11, 14, 5, 9}), Value::Date({2025, 2, 11}), Value::Date(instant),
                     Value::Date({99, 6, 30}), Value::Real(-1234.5)}),
              GetParam().shown);
}

const Forms kForms[] = {
    {"C", "02/11/2025 14:05:09|02/11/2025|02/11/2025 14:05:09|06/30/0099|-1234.5"},
    {"en_US.UTF-8", "02/11/2025 02:05:09 PM|02/11/2025|02/11/2025 02:05:09 PM|06/30/0099|-1234.5"},
    {"de_DE.UTF-8", "11.02.2025 14:05:09|11.02.2025|11.02.2025 14:05:09|30.06.0099|-1234,5"},
    {"tpi_PG.UTF-8",
     "11/02/2025 02:05:09 apinun|11/02/2025|11/02/2025 02:05:09 apinun EST|30/06/0099|-1234.5"},
    {"ar_EG.UTF-8", "11 فبر, 2025 02:05:09 م|11 فبر, 2025|11 فبر, 2025 EST 02:05:09 م|30 يون, 0099|-1234.5"},
    {"nb_NO.UTF-8",
     "11. feb. 2025 kl. 14.05|11. feb. 2025|11. feb. 2025 kl. 14.05 -0500|30. juni 0099|-1234,5"},
    {"fa_IR.UTF-8", "۲۰۲۵/۰۲/۱۱ ۱۴:۰۵:۰۹|۲۰۲۵/۰۲/۱۱|۲۰۲۵/۰۲/۱۱ ۱۴:۰۵:۰۹|۰۰۹۹/۰۶/۳۰|-1234.5"},
    {"th_TH.UTF-8", "11/02/2568 14:05:09|11/02/2568|11/02/2568 14:05:09|30/06/0642|-1234.5"},
    {"shn_MM.UTF-8",
     "႒႐႒႕ လိူၼ်သၢမ် ႑႑ ဝၼ်းဢၢင်းၵၢၼ်း ႑႔:႐႕:႐႙ ဝၢႆးဝၼ်း|႒႐႒႕ လိူၼ်သၢမ် ႑႑ ဝၼ်းဢၢင်းၵၢၼ်း|"
     "႒႐႒႕ လိူၼ်သၢမ် ႑႑ ဝၼ်းဢၢင်းၵၢၼ်း ႑႔:႐႕:႐႙ ဝၢႆးဝၼ်း|႐႐႙႙ လိူၼ်ၸဵတ်း ႓႐ ဝၼ်းဢၢင်းၵၢၼ်း|-1234.5"}};
INSTANTIATE_TEST_SUITE_P(ValueFormatter, Locales, testing::ValuesIn(kForms), [](const auto& locale) {
    return std::string(locale.param.name).substr(0, std::string_view(locale.param.name).find('.'));
});

// In a child, as it sets the environment: a numeric locale that is not there leaves the time's in place.
TEST(ValueFormatter, AMissingNumericLocaleKeepsTheDates) {
    const auto show = [] {
        setenv("LC_TIME", "de_DE.UTF-8", 1);
        setenv("LC_NUMERIC", "xx_NOWHERE.UTF-8", 1);
        unsetenv("LC_ALL");
        std::cerr << Shown(browse::ValueFormatter(""),
                           {Value::Date({2025, 6, 30, 14, 5, 9}), Value::Real(-1234.5)});
        std::exit(0);
    };
    EXPECT_EXIT(show(), testing::ExitedWithCode(0), "^30\\.06\\.2025 14:05:09\\|-1234\\.5$");
}

}  // namespace
