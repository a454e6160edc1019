// The layer through its interface: record sets over rows in memory, and the loader over real modules.
#include <gtest/gtest.h>
#include <link.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "memoryprovider.h"
#include "pluginresolver.h"

namespace {

namespace fs = std::filesystem;
using namespace dataaccess;
const auto kName = [](const auto& info) { return std::string(info.param.name); };

struct Connection {
    const char* name;
    const char* text;
    int number;
};
class Connections : public ::testing::TestWithParam<Connection> {};

// The provider named opens its rows; an empty set is both before its first row and after its last.
TEST_P(Connections, NameTheProvider) {
    dataaccess::testing::MapResolver resolver;
    resolver.Add("M", std::shared_ptr<Provider>(new dataaccess::testing::MemoryProvider({}, {})));
    Recordset rs(resolver);
    bool bof = false, eof = false;
    EXPECT_EQ(rs.Open("s", GetParam().text, -1, -1, -1).number, GetParam().number);
    EXPECT_EQ(rs.BOF(bof).ok() && rs.EOF_(eof).ok() && bof && eof, GetParam().number == 0);
}

// clang-format off
const Connection kConnections[] = {
    {"KeyInAnyCaseAndBlanks", "  pROVIDER = M ; ", 0},
    {"UnknownProvider",       "Provider=Other", 1007},
    {"EmptyProvider",         "Provider=", 1006}};
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

// Searched first, a folder holding what may stand at a module's path: a folder, an empty file, and a
// 120-byte ELF file whose one segment ends a byte past the end.
class Modules : public ::testing::TestWithParam<Module> {
protected:
    void SetUp() override {
        fs::create_directories(bad / "libdir.so");
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
    {"NoEntryPoint", "nosymbol", 1008, "did not start"},
    {"Folder", "dir", 1008, "not a loadable module (not a file)"},
    {"EmptyFile", "empty", 1008, "not a loadable module (invalid ELF header)"},
    {"SegmentAByteShort", "short", 1008, "the file is shorter than its segments"},
    {"OtherVersion", "WrongVersion", 1010,
     "libwrongversion.so' was built for data-access interface version 9; this program needs version 1."}};
INSTANTIATE_TEST_SUITE_P(PluginResolver, Modules, ::testing::ValuesIn(kModules), kName);

}  // namespace
