#include <gtest/gtest.h>
#include <locale.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
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
    const char* withTime;   // 2025-02-11 14:05:09, a wall-clock date: no zone
    const char* midnight;   // 2025-02-11 00:00:00
    const char* real;       // -1234.5
    const char* instant;    // withTime as an instant in EST (-0500); nullptr: as withTime
    bool compiled = false;  // built from glibc's sources, for locales few systems install

    friend void PrintTo(const LocaleCase& c, std::ostream* os) { *os << c.locale; }
};

class LocaleTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleTest, DatesAndNumbersFollowTheLocale) {
    const LocaleCase& c = GetParam();
    char folder[] = "/tmp/vantril-locale-XXXXXX";
    if (c.compiled) {
        ASSERT_NE(mkdtemp(folder), nullptr);
        const std::string name = c.locale;
        const std::string build = "localedef --no-archive -f UTF-8 -i " + name.substr(0, name.find('.')) +
                                  " " + folder + "/" + name + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(build.c_str()), 0) << build;
        setenv("LOCPATH", folder, 1);
    }
    // The formatter reads its locale once, when it is made.
    locale_t installed = newlocale(LC_ALL_MASK, c.locale, locale_t{});
    const ValueFormatter formatter(c.locale);
    unsetenv("LOCPATH");
    if (c.compiled) std::filesystem::remove_all(folder);
    ASSERT_NE(installed, locale_t{}) << c.locale << " is not installed: run tools/setup";
    freelocale(installed);

    EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 2, 11, 14, 5, 9})), c.withTime);
    EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 2, 11, 0, 0, 0})), c.midnight);
    EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 2, 11, 0, 0, 1})).find(c.midnight), 0u)
        << "one second past midnight shows its time";
    EXPECT_EQ(Format(formatter, Value::Real(-1234.5)), c.real);
    EXPECT_EQ(Format(formatter, Value::Integer(1234567)), "1234567") << "no grouping";
    const DateTime instant{2025, 2, 11, 14, 5, 9, {'E', 'S', 'T'}, -5 * 3600};
    EXPECT_EQ(Format(formatter, Value::Date(instant)), c.instant ? c.instant : c.withTime);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, LocaleTest,
    ::testing::Values(LocaleCase{"C", "02/11/2025 14:05:09", "02/11/2025", "-1234.5", nullptr},
                      LocaleCase{"en_US.UTF-8", "02/11/2025 02:05:09 PM", "02/11/2025", "-1234.5", nullptr},
                      LocaleCase{"de_DE.UTF-8", "11.02.2025 14:05:09", "11.02.2025", "-1234,5", nullptr},
                      LocaleCase{"en_GB.UTF-8", "11/02/2025 14:05:09", "11/02/2025", "-1234.5", nullptr},
                      // The zone's name after the time (through %r), before it, and its offset.
                      LocaleCase{"tpi_PG.UTF-8", "11/02/2025 02:05:09 apinun", "11/02/2025", "-1234.5",
                                 "11/02/2025 02:05:09 apinun EST", true},
                      LocaleCase{"ar_EG.UTF-8", "11 فبر, 2025 02:05:09 م", "11 فبر, 2025", "-1234.5",
                                 "11 فبر, 2025 EST 02:05:09 م", true},
                      LocaleCase{"nb_NO.UTF-8", "11. feb. 2025 kl. 14.05", "11. feb. 2025", "-1234,5",
                                 "11. feb. 2025 kl. 14.05 -0500", true},
                      // The year in the locale's own digits, two of them in its form.
                      LocaleCase{"fa_IR.UTF-8", "۲۰۲۵/۰۲/۱۱ ۱۴:۰۵:۰۹", "۲۰۲۵/۰۲/۱۱", "-1234.5", nullptr,
                                 true},
                      // 136 bytes, its century already in its form.
                      LocaleCase{"shn_MM.UTF-8", "႒႐႒႕ လိူၼ်သၢမ် ႑႑ ဝၼ်းဢၢင်းၵၢၼ်း ႑႔:႐႕:႐႙ ဝၢႆးဝၼ်း",
                                 "႒႐႒႕ လိူၼ်သၢမ် ႑႑ ဝၼ်းဢၢင်းၵၢၼ်း", "-1234.5", nullptr, true}),
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

TEST(ValueFormatterTest, AMissingNumericLocaleKeepsTheDates) {
    unsetenv("LC_ALL");
    setenv("LC_TIME", "de_DE.UTF-8", 1);
    setenv("LC_NUMERIC", "xx_NOWHERE.UTF-8", 1);
    const ValueFormatter formatter("");
    unsetenv("LC_TIME");
    unsetenv("LC_NUMERIC");
    EXPECT_EQ(Format(formatter, Value::Date(DateTime{2025, 6, 30, 14, 5, 9})), "30.06.2025 14:05:09");
    EXPECT_EQ(Format(formatter, Value::Real(-1234.5)), "-1234.5");
}

}  // namespace
