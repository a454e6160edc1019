#include <gtest/gtest.h>
#include <locale.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "valueformatter.h"

namespace {

using browse::ValueFormatter;
using dataaccess::DateTime;
using dataaccess::Value;

std::string Format(const ValueFormatter& formatter, const Value& value) {
    std::string out = "previous text";  // every conversion replaces it whole
    const dataaccess::Status status = formatter.Format(value, "Name", out);
    EXPECT_TRUE(status.ok()) << status.description;
    return out;
}

struct LocaleCase {
    const char* locale;
    const char* withTime;  // 2025-06-30 14:05:09
    const char* midnight;  // 2025-06-30 00:00:00
    const char* real;      // -1234.5

    friend void PrintTo(const LocaleCase& c, std::ostream* os) { *os << c.locale; }
};

class LocaleTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleTest, DatesAndNumbersFollowTheLocale) {
    const LocaleCase& c = GetParam();
    locale_t installed = newlocale(LC_ALL_MASK, c.locale, locale_t{});
    ASSERT_NE(installed, locale_t{}) << c.locale << " is not installed: run tools/setup";
    freelocale(installed);

    const ValueFormatter formatter(c.locale);
    EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 6, 30, 14, 5, 9})), c.withTime);
    EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 6, 30, 0, 0, 0})), c.midnight);
    EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 6, 30, 0, 0, 1})).find(c.midnight), 0u)
        << "one second past midnight shows its time";
    EXPECT_EQ(Format(formatter, Value::Real(-1234.5)), c.real);
    EXPECT_EQ(Format(formatter, Value::Integer(1234567)), "1234567") << "no grouping";
}

INSTANTIATE_TEST_SUITE_P(
    Locales, LocaleTest,
    ::testing::Values(LocaleCase{"C", "06/30/2025 14:05:09", "06/30/2025", "-1234.5"},
                      LocaleCase{"en_US.UTF-8", "06/30/2025 02:05:09 PM", "06/30/2025", "-1234.5"},
                      LocaleCase{"de_DE.UTF-8", "30.06.2025 14:05:09", "30.06.2025", "-1234,5"},
                      LocaleCase{"en_GB.UTF-8", "30/06/2025 14:05:09", "30/06/2025", "-1234.5"}),
    [](const ::testing::TestParamInfo<LocaleCase>& test) {
        std::string name = test.param.locale;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

TEST(ValueFormatterTest, TextIsShownWholeAndUnchanged) {
    const ValueFormatter formatter("C");
    const std::string long_text(100000, 'x');
    const std::string odd("a\0b\xff\xfe", 5);  // a NUL and bytes that are not UTF-8
    for (const std::string& text : {std::string(), std::string("Orders by Customer"), long_text, odd}) {
        EXPECT_EQ(Format(formatter, Value::Text(text)), text);
    }
    EXPECT_EQ(Format(formatter, Value()), "") << "Empty";
}

TEST(ValueFormatterTest, NumbersAtTheirLimits) {
    const ValueFormatter formatter("C");
    EXPECT_EQ(Format(formatter, Value::Integer(std::numeric_limits<std::int64_t>::min())),
              "-9223372036854775808");
    EXPECT_EQ(Format(formatter, Value::Integer(std::numeric_limits<std::int64_t>::max())),
              "9223372036854775807");
    EXPECT_EQ(Format(formatter, Value::Real(0.1)), "0.1") << "shortest form that reads back the same";
    EXPECT_EQ(Format(formatter, Value::Real(1e300)), "1e+300");
    EXPECT_EQ(Format(formatter, Value::Real(std::numeric_limits<double>::infinity())), "inf");
    EXPECT_EQ(Format(formatter, Value::Real(std::nan(""))), "nan");
}

TEST(ValueFormatterTest, NullIsAnErrorNamingTheField) {
    const ValueFormatter formatter("C");
    std::string out;
    const dataaccess::Status status = formatter.Format(Value::Null(), "DateUpdated", out);
    EXPECT_EQ(status.number, 102);
    EXPECT_NE(status.description.find("Null"), std::string::npos);
    EXPECT_NE(status.description.find("DateUpdated"), std::string::npos);
}

TEST(ValueFormatterTest, AMissingLocaleFallsBackToC) {
    const ValueFormatter formatter("xx_NOWHERE.UTF-8");
    EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 6, 30, 14, 5, 9})), "06/30/2025 14:05:09");
}

}  // namespace
