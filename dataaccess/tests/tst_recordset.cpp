#include <gtest/gtest.h>

#include <memory>

#include "field.h"
#include "fields.h"
#include "memoryprovider.h"
#include "openoptions.h"
#include "recordset.h"

namespace {

using dataaccess::Recordset;
using dataaccess::Status;
using dataaccess::Value;
using dataaccess::testing::MapResolver;
using dataaccess::testing::MemoryProvider;

std::shared_ptr<MemoryProvider> ProviderWithRows(int rows) {
    std::vector<std::vector<Value>> data;
    data.reserve(static_cast<std::size_t>(rows));
    static const char* const names[] = {"a", "b", "c", "d", "e"};
    for (int i = 0; i < rows; ++i) data.push_back({Value::Text(names[i]), Value::Integer(i)});
    return std::make_shared<MemoryProvider>(std::vector<std::string>{"Name", "Number"}, std::move(data));
}

struct Flags {
    bool bof;
    bool eof;
    friend bool operator==(const Flags&, const Flags&) = default;
};

Flags FlagsOf(const Recordset& rs) {
    Flags flags{};
    EXPECT_TRUE(rs.BOF(flags.bof).ok());
    EXPECT_TRUE(rs.EOF_(flags.eof).ok());
    return flags;
}

std::int64_t CurrentNumber(const Recordset& rs) {
    dataaccess::Fields fields;
    dataaccess::Field field;
    Value value;
    EXPECT_TRUE(rs.Fields(fields).ok());
    EXPECT_TRUE(fields.Item("Number", field).ok());
    EXPECT_TRUE(field.Value(value).ok());
    return value.AsInteger();
}

class RecordsetTest : public ::testing::Test {
protected:
    std::unique_ptr<Recordset> OpenWith(const std::shared_ptr<MemoryProvider>& provider) {
        resolver_.Add("Memory", provider);
        auto rs = std::make_unique<Recordset>(resolver_);
        EXPECT_TRUE(rs->Open("src", "Provider=memory", -1, -1, -1).ok());
        return rs;
    }
    MapResolver resolver_;
};

// Walks forward past the end and back past the start, checking both flags
// and the current row at every step, for several sizes.
TEST_F(RecordsetTest, FlagsAndRowsAlongAFullWalk) {
    for (int n : {0, 1, 3}) {
        SCOPED_TRACE(n);
        MapResolver resolver;
        resolver.Add("Memory", ProviderWithRows(n));
        Recordset rs(resolver);
        ASSERT_TRUE(rs.Open("src", "Provider=Memory", -1, -1, -1).ok());
        if (n == 0) {
            EXPECT_EQ(FlagsOf(rs), (Flags{true, true}));
            EXPECT_EQ(rs.MoveNext().number, 1003);
            EXPECT_EQ(rs.MovePrevious().number, 1003);
            continue;
        }
        EXPECT_EQ(FlagsOf(rs), (Flags{false, false}));
        EXPECT_EQ(CurrentNumber(rs), 0);
        for (int row = 1; row < n; ++row) {
            ASSERT_TRUE(rs.MoveNext().ok());
            EXPECT_EQ(FlagsOf(rs), (Flags{false, false}));
            EXPECT_EQ(CurrentNumber(rs), row);
        }
        ASSERT_TRUE(rs.MoveNext().ok());
        EXPECT_EQ(FlagsOf(rs), (Flags{false, true}));
        EXPECT_EQ(rs.MoveNext().number, 1003) << "no moving past the end";
        for (int row = n - 1; row >= 0; --row) {
            ASSERT_TRUE(rs.MovePrevious().ok());
            EXPECT_EQ(FlagsOf(rs), (Flags{false, false}));
            EXPECT_EQ(CurrentNumber(rs), row);
        }
        ASSERT_TRUE(rs.MovePrevious().ok());
        EXPECT_EQ(FlagsOf(rs), (Flags{true, false}));
        EXPECT_EQ(rs.MovePrevious().number, 1003) << "no moving before the start";
        ASSERT_TRUE(rs.MoveNext().ok());
        EXPECT_EQ(CurrentNumber(rs), 0);
    }
}

TEST_F(RecordsetTest, EveryOperationOnAnUnopenedRecordsetIsAnError) {
    Recordset rs(resolver_);
    bool flag = false;
    dataaccess::Fields fields;
    dataaccess::Field field;
    Value value;
    EXPECT_EQ(rs.BOF(flag).number, 1001);
    EXPECT_EQ(rs.EOF_(flag).number, 1001);
    EXPECT_EQ(rs.MoveNext().number, 1001);
    EXPECT_EQ(rs.MovePrevious().number, 1001);
    EXPECT_EQ(rs.Fields(fields).number, 1001);
    EXPECT_EQ(fields.Item("Name", field).number, 1001);
    EXPECT_EQ(field.Value(value).number, 1001);
}

TEST_F(RecordsetTest, ArgumentsReachTheProviderUnchanged) {
    auto provider = ProviderWithRows(1);
    resolver_.Add("Memory", provider);
    Recordset rs(resolver_);
    const std::string source("Query;a;b\0c", 11);
    ASSERT_TRUE(rs.Open(source, "PROVIDER=MEMORY", dataaccess::adOpenUnspecified,
                        dataaccess::adLockUnspecified, dataaccess::adCmdUnspecified)
                    .ok());
    ASSERT_EQ(provider->calls().size(), 1u);
    EXPECT_EQ(provider->calls()[0].source, source);
    EXPECT_EQ(provider->calls()[0].cursorType, -1);
    EXPECT_EQ(provider->calls()[0].lockType, -1);
    EXPECT_EQ(provider->calls()[0].options, -1);
    EXPECT_EQ(rs.Open(source, "Provider=Memory", -1, -1, -1).number, 1002);
}

TEST_F(RecordsetTest, AFailingOpenPassesTheProvidersErrorAndStaysClosed) {
    auto provider = ProviderWithRows(1);
    provider->FailWith({2003, "Cannot find the database '/x'."});
    resolver_.Add("Memory", provider);
    Recordset rs(resolver_);
    const Status status = rs.Open("Form;/x", "Provider=Memory", -1, -1, -1);
    EXPECT_EQ(status.number, 2003);
    EXPECT_EQ(status.description, "Cannot find the database '/x'.");
    bool flag = false;
    EXPECT_EQ(rs.EOF_(flag).number, 1001);

    EXPECT_EQ(Recordset(resolver_).Open("", "Provider=Nobody", -1, -1, -1).number, 1007);
    EXPECT_EQ(Recordset(resolver_).Open("", "Data Source=x", -1, -1, -1).number, 1006);
}

TEST_F(RecordsetTest, FieldsAreFoundByNameIgnoringCaseAndReadTheCurrentRow) {
    const std::unique_ptr<Recordset> opened = OpenWith(ProviderWithRows(2));
    Recordset& rs = *opened;
    dataaccess::Fields fields;
    dataaccess::Field field;
    Value value;
    ASSERT_TRUE(rs.Fields(fields).ok());
    EXPECT_EQ(fields.Item("Missing", field).number, 1004);
    EXPECT_NE(fields.Item("Missing", field).description.find("Missing"), std::string::npos);
    ASSERT_TRUE(fields.Item("nAmE", field).ok());
    ASSERT_TRUE(field.Value(value).ok());
    EXPECT_EQ(value.AsText(), "a");
    // A field handle taken earlier follows the cursor.
    ASSERT_TRUE(rs.MoveNext().ok());
    ASSERT_TRUE(field.Value(value).ok());
    EXPECT_EQ(value.AsText(), "b");
    ASSERT_TRUE(rs.MoveNext().ok());
    EXPECT_EQ(field.Value(value).number, 1003) << "no row after the last";
}

}  // namespace
