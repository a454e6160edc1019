// The layer through its interface: record sets over rows in memory, and the loader over real modules.
#include <gtest/gtest.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "memoryprovider.h"
#include "pluginresolver.h"

namespace {

namespace fs = std::filesystem;
using namespace dataaccess;
using dataaccess::testing::MemoryProvider;
const auto kName = [](const auto& info) { return std::string(info.param.name); };

// Rows in one field "Name", from the provider "M".
struct Memory : dataaccess::testing::MapResolver {
    explicit Memory(dataaccess::testing::Rows data) : rows(new MemoryProvider({"Name"}, std::move(data))) {
        Add("M", rows);
    }
    std::shared_ptr<MemoryProvider> rows;
};

enum Operation { Open, Next, Previous, Read };
// After an operation: the number it gave, "BOF" and "EOF" where they hold, and its description, or for a
// Read the value of the field "nAME".
struct Step {
    Operation operation;
    std::string log;
};
struct Walk {
    const char* name;
    dataaccess::testing::Rows rows;
    std::vector<Step> steps;
};
class Operations : public ::testing::TestWithParam<Walk> {};

TEST_P(Operations, StopAtBothEndsAndReadOnlyOnARow) {
    Memory memory(GetParam().rows);
    Recordset rs(memory);
    int step = 0;
    for (const auto& [operation, log] : GetParam().steps) {
        ++step;
        Fields fields;
        Field field;
        Value value;
        Status status = operation == Next       ? rs.MoveNext()
                        : operation == Previous ? rs.MovePrevious()
                        : operation == Read     ? rs.Fields(fields)
                                                : rs.Open("s", "Provider=M", -1, -1, -1);
        if (operation == Read && status.ok()) status = fields.Item("nAME", field);
        if (operation == Read && status.ok() && (status = field.Value(value)).ok())
            status.description = value.AsText();
        bool bof = false, eof = false;
        std::string got = std::to_string(status.number);
        if (rs.BOF(bof).ok() && bof) got += " BOF";
        if (rs.EOF_(eof).ok() && eof) got += " EOF";
        if (!status.description.empty()) got += " " + status.description;
        EXPECT_EQ(got, log) << "after step " << step;
    }
}

const Walk kWalks[] = {
    {"TwoRows",
     {{Value::Text("a")}, {Value::Text("b")}},
     {{Read, "1001 The operation is not allowed when the record set is not open."},
      {Open, "0"},
      {Read, "0 a"},
      {Next, "0"},
      {Next, "0 EOF"},
      {Read, "1003 EOF Either BOF or EOF is true: there is no current row to read."},
      {Next, "1003 EOF Cannot move next: the record set is already after its last row."},
      {Previous, "0"},
      {Read, "0 b"},
      {Previous, "0"},
      {Previous, "0 BOF"},
      {Previous, "1003 BOF Cannot move previous: the record set is already before its first row."},
      {Next, "0"},
      {Read, "0 a"},
      {Open, "1002 The operation is not allowed when the record set is already open."}}},
    {"NoRows",
     {},
     {{Open, "0 BOF EOF"},
      {Next, "1003 BOF EOF Cannot move next: the record set is already after its last row."}}}};
INSTANTIATE_TEST_SUITE_P(Recordset, Operations, ::testing::ValuesIn(kWalks), kName);

struct Connection {
    const char* name;
    const char* text;
    int number;
};
class Connections : public ::testing::TestWithParam<Connection> {};

// The provider named gets the source and the options as they came.
TEST_P(Connections, NameTheProvider) {
    Memory memory({});
    const std::string source("Query;a;b\0c", 11);
    EXPECT_EQ(Recordset(memory).Open(source, GetParam().text, -1, 3, 8).number, GetParam().number);
    for (const auto& call : memory.rows->calls())
        EXPECT_EQ(std::tie(call.source, call.cursorType, call.lockType, call.options),
                  std::make_tuple(source, -1, 3, 8));
}

// clang-format off
const Connection kConnections[] = {
    {"KeyInAnyCaseAndBlanks", "  pROVIDER = M ; ", 0},
    {"LastOneCounts",         ";;Provider=Other;Data Source=x.db;Provider=M", 0},
    {"UnknownProvider",       "Provider=Other", 1007},
    {"EmptyProvider",         "Provider=", 1006},
    {"KeyOnlyStartsSo",       "Providers=M", 1006},
    {"PartWithoutEquals",     "Provider=M;junk", 1005}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Recordset, Connections, ::testing::ValuesIn(kConnections), kName);

TEST(PluginResolver, SearchesBesideTheProgramThenWhereItIsInstalled) {
    EXPECT_EQ(PluginResolver::FoldersFor("/v/bin/vantril"),
              (std::vector<fs::path>{"/v/bin/providers", "/v/bin/../lib/vantril/providers"}));
}

struct Module {
    const char* name;
    const char* provider;
    int number;
    const char* why;  // part of the description
};

// Searched first, a folder holding what may stand at a module's path: a FIFO, an empty file, and a
// 120-byte ELF file whose one segment ends a byte past the end.
class Modules : public ::testing::TestWithParam<Module> {
protected:
    void SetUp() override {
        fs::create_directories(bad);
        ASSERT_EQ(mkfifo((bad / "libpipe.so").c_str(), 0600), 0);
        std::ofstream(bad / "libempty.so").close();
        struct {
            ElfW(Ehdr) header;
            ElfW(Phdr) segment;
        } elf{};
        std::memcpy(elf.header.e_ident, "\177ELF\2", 5);  // 64-bit
        elf.header.e_type = ET_DYN, elf.header.e_phoff = 64, elf.header.e_phentsize = 56,
        elf.header.e_phnum = 1;
        elf.segment.p_filesz = 121;
        std::ofstream(bad / "libshort.so").write(reinterpret_cast<const char*>(&elf), 120);
    }
    void TearDown() override { fs::remove_all(bad); }
    const fs::path bad = fs::temp_directory_path() / ("bad-modules-" + std::to_string(getpid()));
};

TEST_P(Modules, LoadOrAreRefusedWithTheReason) {
    std::shared_ptr<Provider> provider;
    const Status status = PluginResolver({bad, TEST_MODULE_DIR}).Resolve(GetParam().provider, provider);
    EXPECT_EQ(status.number, GetParam().number);
    EXPECT_NE(status.description.find(GetParam().why), std::string::npos) << status.description;
    EXPECT_EQ(provider != nullptr, status.ok());
}

const Module kModules[] = {
    {"NameInAnyCase", "ECHOTEST", 0, ""},
    {"Missing", "Missing", 1007, "Provider 'Missing' not found (looked for libmissing.so"},
    {"NameWithAPath", "sub/../hidden", 1007, "not a valid provider name"},
    {"NameOf65Bytes", "eeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeee", 1007,
     "not a valid provider name"},
    {"NoEntryPoint", "nosymbol", 1008, "did not start"},
    {"Fifo", "pipe", 1008, "not a loadable module (not a file)"},
    {"EmptyFile", "empty", 1008, "not a loadable module (invalid ELF header)"},
    {"SegmentAByteShort", "short", 1008, "the file is shorter than its segments"},
    {"OtherVersion", "WrongVersion", 1010,
     "libwrongversion.so' was built for data-access interface version 9; this program needs version 1."},
    {"NoVersion", "NoVersion", 1010,
     "libnoversion.so' does not state the data-access interface version it was built for; this program "
     "needs version 1."}};
INSTANTIATE_TEST_SUITE_P(PluginResolver, Modules, ::testing::ValuesIn(kModules), kName);

}  // namespace
