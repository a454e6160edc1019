#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "memoryprovider.h"
#include "recordset.h"

namespace {

using dataaccess::Recordset;
using dataaccess::Status;
using dataaccess::Value;
using dataaccess::testing::MapResolver;
using dataaccess::testing::MemoryProvider;

// The first n of the rows "a" and "b", in one field "Name".
std::shared_ptr<MemoryProvider> Letters(int n) {
    std::vector<std::vector<Value>> data = {{Value::Text("a")}, {Value::Text("b")}};
    data.resize(static_cast<std::size_t>(n));
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

// Closed, every operation is refused; open, a field off the rows cannot be read.
TEST(Recordset, ReadsAreRefusedWhenClosedOrOffTheRows) {
    MapResolver resolver;
    resolver.Add("Memory", Letters(1));
    Recordset rs(resolver);
    bool flag = false;
    dataaccess::Fields fields;
    dataaccess::Field field;
    Value value;
    for (const Status& status : {rs.BOF(flag), rs.EOF_(flag), rs.MoveNext(), rs.MovePrevious(),
                                 rs.Fields(fields), fields.Item("Name", field), field.Value(value)}) {
        EXPECT_EQ(status.number, 1001);
        EXPECT_EQ(status.description, "The operation is not allowed when the record set is not open.");
    }
    ASSERT_TRUE(rs.Open("src", "Provider=Memory", -1, -1, -1).ok());
    ASSERT_TRUE(rs.Fields(fields).ok() && fields.Item("Name", field).ok() && rs.MoveNext().ok());
    const Status off = field.Value(value);
    EXPECT_EQ(off.number, 1003);
    EXPECT_EQ(off.description, "Either BOF or EOF is true: there is no current row to read.");
}

}  // namespace
