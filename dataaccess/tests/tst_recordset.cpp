#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>

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

// Steps over two rows and over none: each move either succeeds or is refused
// at an end, and both flags say where the cursor stands afterwards.
TEST_F(RecordsetTest, MovesStopAtBothEndsAndTheFlagsFollow) {
    struct Step {
        char move;   // 'N' MoveNext, 'P' MovePrevious, '-' none
        int number;  // the move's status
        bool bof;
        bool eof;
    };
    const Step twoRows[] = {{'-', 0, false, false},   {'N', 0, false, false},   {'N', 0, false, true},
                            {'N', 1003, false, true}, {'P', 0, false, false},   {'P', 0, false, false},
                            {'P', 0, true, false},    {'P', 1003, true, false}, {'N', 0, false, false}};
    const Step noRows[] = {{'-', 0, true, true}, {'N', 1003, true, true}, {'P', 1003, true, true}};
    for (int n : {2, 0}) {
        MapResolver resolver;
        resolver.Add("Memory", ProviderWithRows(n));
        Recordset rs(resolver);
        ASSERT_TRUE(rs.Open("src", "Provider=Memory", -1, -1, -1).ok());
        int i = 0;
        for (const Step& step : n == 2 ? std::span<const Step>(twoRows) : std::span<const Step>(noRows)) {
            SCOPED_TRACE(std::to_string(n) + " rows, step " + std::to_string(i++));
            const Status moved = step.move == 'N'   ? rs.MoveNext()
                                 : step.move == 'P' ? rs.MovePrevious()
                                                    : Status{};
            EXPECT_EQ(moved.number, step.number);
            bool bof = false, eof = false;
            ASSERT_TRUE(rs.BOF(bof).ok() && rs.EOF_(eof).ok());
            EXPECT_EQ(bof, step.bof);
            EXPECT_EQ(eof, step.eof);
        }
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
