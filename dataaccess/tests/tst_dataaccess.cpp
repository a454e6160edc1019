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
using dataaccess::Recordset, dataaccess::Status, dataaccess::Value, dataaccess::testing::MemoryProvider;

// n rows of "a", in one field "Name", from the provider "M".
struct Memory : dataaccess::testing::MapResolver {
    explicit Memory(std::size_t n) : rows(new MemoryProvider({"Name"}, {n, {Value::Text("a")}})) {
        Add("M", rows);
    }
    std::shared_ptr<MemoryProvider> rows;
};

// Opened on n rows ('-'), then moved: 'N' MoveNext, 'P' MovePrevious. After each: '.' on a row, 'B'
// BOF, 'E' EOF, 'A' both; in lower case the move was refused, 1003.
TEST(Recordset, MovesStopAtBothEndsAndTheFlagsFollow) {
    for (const auto& [n, moves, flags] : {std::tuple{2, "-NNNPPPPN", "..Ee..Bb."}, {0, "-NP", "Aaa"}}) {
        Memory memory(n);
        Recordset rs(memory);
        for (std::size_t i = 0; moves[i] != '\0'; ++i) {
            const Status moved = moves[i] == '-'   ? rs.Open("s", "Provider=M", -1, -1, -1)
                                 : moves[i] == 'N' ? rs.MoveNext()
                                                   : rs.MovePrevious();
            bool bof = false, eof = false;
            ASSERT_TRUE(rs.BOF(bof).ok() && rs.EOF_(eof).ok());
            const char flag = bof ? (eof ? 'A' : 'B') : eof ? 'E' : '.';
            EXPECT_EQ(moved.ok()             ? flag
                      : moved.number == 1003 ? std::tolower(flag)
                                             : '?',
                      flags[i])
                << moves << i;
        }
    }
}

// The provider the connection string names gets the source and the options as they came.
TEST(Recordset, OpenFindsTheProviderAndPassesEverythingThrough) {
    // clang-format off
    const std::pair<const char*, int> cases[] = {
        {"Provider=M", 0}, {"  pROVIDER = M ; ", 0}, {"Data Source=x.db;Provider=M", 0},
        {"Provider=Other", 1007}, {";;Provider=Other;;Provider=M", 0}, {"", 1006}, {"Provider=", 1006},
        {"Providers=M", 1006}, {"Provider", 1005}, {"Provider=M;junk", 1005}};
    // clang-format on
    Memory memory(1);
    const std::string source("Query;a;b\0c", 11);
    for (const auto& [connection, number] : cases) {
        const std::size_t before = memory.rows->calls().size();
        EXPECT_EQ(Recordset(memory).Open(source, connection, -1, 3, 8).number, number) << connection;
        EXPECT_EQ(memory.rows->calls().size(), before + (number == 0 ? 1 : 0)) << connection;
    }
    const auto& call = memory.rows->calls().back();
    EXPECT_EQ(std::tie(call.source, call.cursorType, call.lockType, call.options),
              std::make_tuple(source, -1, 3, 8));
    Recordset rs(memory);
    ASSERT_TRUE(rs.Open(source, "Provider=M", -1, -1, -1).ok());
    EXPECT_EQ(rs.Open(source, "Provider=M", -1, -1, -1).number, 1002);
}

// Closed (never opened, or its Open failed), every operation is refused; open, a field is found in any
// case and read only on a row.
TEST(Recordset, FieldsAreReadOnlyOnARow) {
    Memory memory(1);
    Recordset rs(memory), failed(memory);
    memory.rows->FailWith({2010, "No db."});
    const Status failure = failed.Open("s", "Provider=M", -1, -1, -1);
    EXPECT_EQ(std::tie(failure.number, failure.description), std::make_tuple(2010, "No db."));
    bool flag = false;
    dataaccess::Fields fields;
    dataaccess::Field field;
    Value value;
    for (const Status& status :
         {rs.BOF(flag), rs.EOF_(flag), rs.MoveNext(), rs.MovePrevious(), rs.Fields(fields),
          fields.Item("Name", field), field.Value(value), failed.EOF_(flag)}) {
        EXPECT_EQ(std::tie(status.number, status.description),
                  std::make_tuple(1001, "The operation is not allowed when the record set is not open."));
    }
    memory.rows->FailWith({});
    ASSERT_TRUE(rs.Open("s", "Provider=M", -1, -1, -1).ok() && rs.Fields(fields).ok());
    ASSERT_TRUE(fields.Item("nAME", field).ok() && field.Value(value).ok() && rs.MoveNext().ok());
    EXPECT_EQ(value.AsText(), "a");
    const Status off = field.Value(value);
    EXPECT_EQ(std::tie(off.number, off.description),
              std::make_tuple(1003, "Either BOF or EOF is true: there is no current row to read."));
}

// Searched first: cuts of a good module (the last two inside its segments, one a byte short of the
// last's end), a folder, a FIFO, a device, and a good module only a name with a path could reach. A
// module of another interface version, or of none, aborts if it is called.
TEST(PluginResolver, LoadsPlainNamesOnlyAndRefusesBadModules) {
    EXPECT_EQ(dataaccess::PluginResolver::FoldersFor("/v/bin/vantril"),
              (std::vector<fs::path>{"/v/bin/providers", "/v/bin/../lib/vantril/providers"}));
    const fs::path bad = fs::temp_directory_path() / ("bad-modules-" + std::to_string(getpid())),
                   good = TEST_MODULE_DIR;
    for (const char* folder : {"libfolder.so", "libsub"}) fs::create_directories(bad / folder);
    ASSERT_EQ(mkfifo((bad / "libpipe.so").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", bad / "libdevice.so");
    fs::copy_file(good / "libechotest.so", bad / "hidden.so");
    const std::string bytes{std::istreambuf_iterator<char>(std::ifstream(good / "libechotest.so").rdbuf()),
                            {}};
    ElfW(Ehdr) header{};
    std::memcpy(&header, bytes.data(), sizeof header);
    std::size_t end = 0;  // of the last segment in the file
    for (ElfW(Phdr) segment{}; header.e_phnum-- > 0; end = std::max(end, segment.p_offset + segment.p_filesz))
        std::memcpy(&segment, bytes.data() + header.e_phoff + header.e_phnum * sizeof segment,
                    sizeof segment);
    for (const std::size_t cut : {0ul, 40ul, 64ul, 1000ul, end - 1})
        std::ofstream(bad / ("libcut" + std::to_string(cut) + ".so")) << bytes.substr(0, cut);
    const dataaccess::PluginResolver resolver({bad, good});
    const std::string invalid = "not a valid provider name", notFile = "not a loadable module (not a file)";
    const std::string elf = "invalid ELF header", shorter = "shorter than its segments";
    const std::string cutShort = "cut" + std::to_string(end - 1);
    // clang-format off
    const std::tuple<std::string, int, std::string> cases[] = {
        {"EchoTest", 0, ""}, {"ECHOTEST", 0, ""}, {"Missing", 1007, "not found (looked for libmissing.so"},
        {"", 1007, invalid}, {"sub/../hidden", 1007, invalid}, {"echo test", 1007, invalid},
        {std::string(65, 'e'), 1007, invalid}, {"nosymbol", 1008, "did not start"}, {"folder", 1008, notFile},
        {"pipe", 1008, notFile}, {"device", 1008, notFile}, {"cut0", 1008, elf}, {"cut40", 1008, elf},
        {"cut64", 1008, elf}, {"cut1000", 1008, shorter}, {cutShort, 1008, shorter},
        {"WrongVersion", 1010, "libwrongversion.so' was built for data-access interface version 9; this program "
                               "needs version 1."},
        {"NoVersion", 1010, "libnoversion.so' does not state the data-access interface version it was built "
                            "for; this program needs version 1."}};
    // clang-format on
    std::shared_ptr<dataaccess::Provider> first;
    for (const auto& [name, number, why] : cases) {
        std::shared_ptr<dataaccess::Provider> provider;
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
