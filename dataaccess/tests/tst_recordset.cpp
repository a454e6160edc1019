#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "field.h"
#include "fields.h"
#include "memoryprovider.h"
#include "recordset.h"

namespace {

using dataaccess::Recordset;
using dataaccess::Status;
using dataaccess::Value;
using dataaccess::testing::MapResolver;
using dataaccess::testing::MemoryProvider;

// Rows "a", "b", ... of one field, "Name".
std::shared_ptr<MemoryProvider> Letters(int rows) {
    std::vector<std::vector<Value>> data;
    for (int i = 0; i < rows; ++i) data.push_back({Value::Text(i == 0 ? "a" : "b")});
    return std::make_shared<MemoryProvider>(std::vector<std::string>{"Name"}, std::move(data));
}

// Each click is 'N' (MoveNext), 'P' (MovePrevious) or '-' (none); after it,
// the move's error number and both flags.
TEST(Recordset, MovesStopAtBothEndsAndTheFlagsFollow) {
    struct Step {
        int rows;
        char move;
        int number;
        bool bof, eof;
    };
    const Step steps[] = {
        {2, '-', 0, false, false},   {2, 'N', 0, false, false},   {2, 'N', 0, false, true},
        {2, 'N', 1003, false, true}, {2, 'P', 0, false, false},   {2, 'P', 0, false, false},
        {2, 'P', 0, true, false},    {2, 'P', 1003, true, false}, {2, 'N', 0, false, false},
        {0, '-', 0, true, true},     {0, 'N', 1003, true, true},  {0, 'P', 1003, true, true},
    };
    MapResolver resolver;
    std::unique_ptr<Recordset> rs;
    for (const Step& step : steps) {
        if (step.move == '-') {
            resolver.Add("Memory", Letters(step.rows));
            rs = std::make_unique<Recordset>(resolver);
            ASSERT_TRUE(rs->Open("src", "Provider=Memory", -1, -1, -1).ok());
        }
        SCOPED_TRACE(std::to_string(step.rows) + " rows, then " + step.move);
        EXPECT_EQ(step.move == 'N'   ? rs->MoveNext().number
                  : step.move == 'P' ? rs->MovePrevious().number
                                     : 0,
                  step.number);
        bool bof = false, eof = false;
        ASSERT_TRUE(rs->BOF(bof).ok() && rs->EOF_(eof).ok());
        EXPECT_EQ(bof, step.bof);
        EXPECT_EQ(eof, step.eof);
    }
}

// The provider named by the connection string gets the source and the three
// options as they came; its refusal comes back as it came.
TEST(Recordset, OpenFindsTheProviderAndPassesEverythingThrough) {
    const struct {
        const char* connection;
        int number;
    } cases[] = {
        {"Provider=Memory", 0},
        {"  pROVIDER = Memory ; ", 0},
        {"Data Source=x.db;Provider=Memory", 0},
        {";;Provider=Other;;Provider=Memory", 0},
        {"Provider=Mem=ory", 0},
        {"Provider=Other", 1007},
        {"", 1006},
        {"Provider=", 1006},
        {"Providers=Memory", 1006},
        {"Provider", 1005},
        {"Provider=Memory;junk", 1005},
    };
    MapResolver resolver;
    const auto memory = Letters(1);
    resolver.Add("Memory", memory);
    resolver.Add("Mem=ory", memory);
    const std::string source("Query;a;b\0c", 11);
    for (const auto& c : cases) {
        Recordset rs(resolver);
        const std::size_t before = memory->calls().size();
        EXPECT_EQ(rs.Open(source, c.connection, -1, -1, -1).number, c.number) << c.connection;
        EXPECT_EQ(memory->calls().size(), before + (c.number == 0 ? 1 : 0)) << c.connection;
    }
    EXPECT_EQ(memory->calls().back().source, source);
    EXPECT_EQ(memory->calls().back().cursorType, -1);
    EXPECT_EQ(memory->calls().back().lockType, -1);
    EXPECT_EQ(memory->calls().back().options, -1);

    Recordset rs(resolver);
    ASSERT_TRUE(rs.Open(source, "Provider=Memory", -1, -1, -1).ok());
    EXPECT_EQ(rs.Open(source, "Provider=Memory", -1, -1, -1).number, 1002);
    memory->FailWith({2010, "Cannot find the database '/x'."});
    Recordset failed(resolver);
    const Status status = failed.Open("Form;/x", "Provider=Memory", -1, -1, -1);
    EXPECT_EQ(status.number, 2010);
    EXPECT_EQ(status.description, "Cannot find the database '/x'.");
    bool flag = false;
    EXPECT_EQ(failed.EOF_(flag).number, 1001) << "a failed Open leaves it closed";
}

TEST(Recordset, AClosedRecordsetRefusesEveryOperation) {
    MapResolver resolver;
    Recordset rs(resolver);
    bool flag = false;
    dataaccess::Fields fields;
    dataaccess::Field field;
    Value value;
    const Status bof = rs.BOF(flag);
    EXPECT_EQ(bof.number, 1001);
    EXPECT_EQ(bof.description, "The operation is not allowed when the record set is not open.");
    EXPECT_EQ(rs.EOF_(flag).number, 1001);
    EXPECT_EQ(rs.MoveNext().number, 1001);
    EXPECT_EQ(rs.MovePrevious().number, 1001);
    EXPECT_EQ(rs.Fields(fields).number, 1001);
    EXPECT_EQ(fields.Item("Name", field).number, 1001);
    EXPECT_EQ(field.Value(value).number, 1001);
}

TEST(Recordset, FieldsAreFoundByNameInAnyCaseAndReadTheCurrentRow) {
    MapResolver resolver;
    resolver.Add("Memory", Letters(2));
    Recordset rs(resolver);
    ASSERT_TRUE(rs.Open("src", "Provider=Memory", -1, -1, -1).ok());
    dataaccess::Fields fields;
    dataaccess::Field field;
    Value value;
    ASSERT_TRUE(rs.Fields(fields).ok());
    const Status missing = fields.Item("Missing", field);
    EXPECT_EQ(missing.number, 1004);
    EXPECT_EQ(missing.description, "The record set has no field named 'Missing'.");
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
