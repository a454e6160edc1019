// The layer through its interface: record sets over rows in memory, the
// connection string, and the plug-in loader over real modules.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "memoryprovider.h"
#include "pluginresolver.h"

namespace {

namespace fs = std::filesystem;
using dataaccess::Provider, dataaccess::Recordset, dataaccess::Status, dataaccess::Value;
using dataaccess::testing::MapResolver, dataaccess::testing::MemoryProvider;

std::shared_ptr<MemoryProvider> Letters(std::size_t n) {  // the first n of "a" and "b", in field "Name"
    dataaccess::testing::Rows rows = {{Value::Text("a")}, {Value::Text("b")}};
    rows.resize(n);
    return std::make_shared<MemoryProvider>(std::vector<std::string>{"Name"}, rows);
}

// Opened on n rows ('-'), then moved: 'N' MoveNext, 'P' MovePrevious; the number, then BOF and EOF.
TEST(Recordset, MovesStopAtBothEndsAndTheFlagsFollow) {
    const std::tuple<std::size_t, char, int, bool, bool> steps[] = {
        {2, '-', 0, false, false},   {2, 'N', 0, false, false},   {2, 'N', 0, false, true},
        {2, 'N', 1003, false, true}, {2, 'P', 0, false, false},   {2, 'P', 0, false, false},
        {2, 'P', 0, true, false},    {2, 'P', 1003, true, false}, {2, 'N', 0, false, false},
        {0, '-', 0, true, true},     {0, 'N', 1003, true, true},  {0, 'P', 1003, true, true}};
    MapResolver resolver;
    std::unique_ptr<Recordset> rs;
    for (const auto& [rows, move, number, bof, eof] : steps) {
        if (move == '-') resolver.Add("Memory", Letters(rows)), rs = std::make_unique<Recordset>(resolver);
        const Status moved = move == '-' ? rs->Open("s", "Provider=Memory", -1, -1, -1)
                                         : (move == 'N' ? rs->MoveNext() : rs->MovePrevious());
        bool atStart = false, atEnd = false;
        ASSERT_TRUE(rs->BOF(atStart).ok() && rs->EOF_(atEnd).ok());
        EXPECT_EQ(std::tie(moved.number, atStart, atEnd), std::tie(number, bof, eof)) << rows << move;
    }
}

// The provider the connection string names gets the source and the options as they came.
TEST(Recordset, OpenFindsTheProviderAndPassesEverythingThrough) {
    // clang-format off
    const std::pair<const char*, int> cases[] = {
        {"Provider=Memory", 0}, {"  pROVIDER = Memory ; ", 0}, {"Data Source=x.db;Provider=Memory", 0},
        {"Provider=Mem=ory", 0}, {";;Provider=Other;;Provider=Memory", 0}, {"Provider=Other", 1007},
        {"", 1006}, {"Provider=", 1006}, {"Providers=Memory", 1006}, {"Provider", 1005},
        {"Provider=Memory;junk", 1005}};
    // clang-format on
    MapResolver resolver;
    const auto memory = Letters(1);
    resolver.Add("Memory", memory);
    resolver.Add("Mem=ory", memory);
    const std::string source("Query;a;b\0c", 11);
    for (const auto& [connection, number] : cases) {
        const std::size_t before = memory->calls().size();
        EXPECT_EQ(Recordset(resolver).Open(source, connection, -1, 3, 8).number, number) << connection;
        EXPECT_EQ(memory->calls().size(), before + (number == 0 ? 1 : 0)) << connection;
    }
    const auto& call = memory->calls().back();
    EXPECT_EQ(std::tie(call.source, call.cursorType, call.lockType, call.options),
              std::make_tuple(source, -1, 3, 8));

    Recordset rs(resolver);
    ASSERT_TRUE(rs.Open(source, "Provider=Memory", -1, -1, -1).ok());
    EXPECT_EQ(rs.Open(source, "Provider=Memory", -1, -1, -1).number, 1002);
    memory->FailWith({2010, "No database '/x'."});
    Recordset failed(resolver);
    const Status status = failed.Open("Form;/x", "Provider=Memory", -1, -1, -1);
    EXPECT_EQ(std::tie(status.number, status.description), std::make_tuple(2010, "No database '/x'."));
    bool flag = false;
    EXPECT_EQ(failed.EOF_(flag).number, 1001) << "a failed Open leaves it closed";
}

// Closed, every operation is refused; open, fields are found in any case and read only on a row.
TEST(Recordset, FieldsAreReadOnlyOnARow) {
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
    ASSERT_TRUE(rs.Open("s", "Provider=Memory", -1, -1, -1).ok());
    ASSERT_TRUE(rs.Fields(fields).ok() && fields.Item("nAME", field).ok() && field.Value(value).ok());
    EXPECT_EQ(value.AsText(), "a");
    ASSERT_TRUE(rs.MoveNext().ok());
    const Status off = field.Value(value);
    EXPECT_EQ(std::tie(off.number, off.description),
              std::make_tuple(1003, "Either BOF or EOF is true: there is no current row to read."));
}

// Searched first: cuts of a good module (the last two inside its segments), a folder, a FIFO, a
// device, and a good module that only a name with a path could reach. Then the build's modules.
TEST(PluginResolver, LoadsPlainNamesOnlyAndRefusesBadModules) {
    EXPECT_EQ(dataaccess::PluginResolver::FoldersFor("/v/bin/vantril"),
              (std::vector<fs::path>{"/v/bin/providers", "/v/bin/../lib/vantril/providers"}));
    const fs::path bad = fs::temp_directory_path() / ("bad-modules-" + std::to_string(getpid()));
    for (const char* folder : {"libfolder.so", "libsub"}) fs::create_directories(bad / folder);
    ASSERT_EQ(mkfifo((bad / "libpipe.so").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", bad / "libdevice.so");
    fs::copy_file(fs::path(TEST_MODULE_DIR) / "libechotest.so", bad / "hidden.so");
    std::ifstream good(fs::path(TEST_MODULE_DIR) / "libechotest.so", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(good), {}};
    for (const int cut : {0, 40, 64, 1000, 20000})
        std::ofstream(bad / ("libcut" + std::to_string(cut) + ".so"), std::ios::binary)
            << bytes.substr(0, cut);
    const dataaccess::PluginResolver resolver({bad, TEST_MODULE_DIR});
    const std::string invalid = "not a valid provider name", notFile = "not a loadable module (not a file)";
    // clang-format off
    const std::tuple<std::string, int, std::string> cases[] = {
        {"EchoTest", 0, ""}, {"ECHOTEST", 0, ""}, {"Missing", 1007, "not found (looked for libmissing.so in: "},
        {"", 1007, invalid}, {"sub/../hidden", 1007, invalid}, {"echo test", 1007, invalid},
        {std::string(65, 'e'), 1007, invalid}, {"nosymbol", 1008, "did not start"}, {"folder", 1008, notFile},
        {"pipe", 1008, notFile}, {"device", 1008, notFile}, {"cut0", 1008, "invalid ELF header"},
        {"cut40", 1008, "invalid ELF header"}, {"cut64", 1008, "invalid ELF header"},
        {"cut1000", 1008, "shorter than its segments"}, {"cut20000", 1008, "shorter than its segments"}};
    // clang-format on
    std::shared_ptr<Provider> first;
    for (const auto& [name, number, why] : cases) {
        std::shared_ptr<Provider> provider;
        const Status status = resolver.Resolve(name, provider);
        EXPECT_EQ(status.number, number) << name << ": " << status.description;
        EXPECT_NE(status.description.find(why), std::string::npos) << name << ": " << status.description;
        EXPECT_EQ(provider, number == 0 ? (first ? first : provider) : nullptr) << name << ": loaded once";
        if (number == 0) first = provider;
    }
    std::unique_ptr<dataaccess::Rowset> rowset;
    ASSERT_TRUE(first->Open("Form;x", -1, -1, -1, rowset, nullptr).ok());
    EXPECT_EQ(rowset->Read(0, 0).AsText(), "echo");
    fs::remove_all(bad);
}

}  // namespace
