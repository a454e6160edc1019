#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "dataaccess_api.h"
#include "pluginresolver.h"

namespace {

using dataaccess::PluginResolver;
using dataaccess::Provider;

// TEST_MODULE_DIR holds libechotest.so and libnosymbol.so.
const std::filesystem::path kModules = TEST_MODULE_DIR;

TEST(PluginResolverTest, SearchFoldersOfBuildAndInstallTrees) {
    const auto folders = PluginResolver::FoldersFor("/opt/v/bin/vantril");
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0], "/opt/v/bin/providers");
    EXPECT_EQ(folders[1].lexically_normal(), "/opt/v/lib/vantril/providers");
}

TEST(PluginResolverTest, LoadsAModuleByNameInAnyCaseOnceOnly) {
    PluginResolver resolver({"/nonexistent-folder", kModules});
    std::shared_ptr<Provider> first;
    std::shared_ptr<Provider> second;
    ASSERT_TRUE(resolver.Resolve("EchoTest", first).ok());
    ASSERT_TRUE(resolver.Resolve("ECHOTEST", second).ok());
    EXPECT_EQ(first, second);

    std::unique_ptr<dataaccess::Rowset> rowset;
    ASSERT_TRUE(first->Open("Form;x", -1, -1, -1, rowset, nullptr).ok());
    EXPECT_EQ(rowset->Read(0, 0).AsText(), "Form;x");
}

TEST(PluginResolverTest, BadNamesAndBadModulesAreNumberedErrors) {
    // Damaged modules and things that are no module, in a folder searched
    // first: cuts of a good module, the last one inside its loadable segments.
    const std::filesystem::path bad =
        std::filesystem::temp_directory_path() / ("bad-modules-" + std::to_string(getpid()));
    std::filesystem::create_directories(bad / "libfolder.so");
    ASSERT_EQ(mkfifo((bad / "libpipe.so").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", bad / "libdevice.so");
    std::ifstream good(kModules / "libechotest.so", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(good), {}};
    for (const std::size_t cut : {0, 40, 64, 1000, 20000})
        std::ofstream(bad / ("libcut" + std::to_string(cut) + ".so"), std::ios::binary)
            << bytes.substr(0, cut);

    PluginResolver resolver({bad, kModules});
    struct Case {
        const char* name;
        int number;
        const char* why;
    };
    for (const Case c :
         {Case{"Missing", 1007, ""}, Case{"", 1007, ""}, Case{"../tests/echotest", 1007, ""},
          Case{"echo test", 1007, ""}, Case{"echotest", 0, ""}, Case{"nosymbol", 1008, "did not start"},
          Case{"folder", 1008, "not a loadable module"}, Case{"pipe", 1008, "not a loadable module"},
          Case{"device", 1008, "not a loadable module"}, Case{"cut0", 1008, "invalid ELF header"},
          Case{"cut40", 1008, "invalid ELF header"}, Case{"cut64", 1008, "invalid ELF header"},
          Case{"cut1000", 1008, "shorter than its segments"},
          Case{"cut20000", 1008, "shorter than its segments"}}) {
        SCOPED_TRACE(c.name);
        std::shared_ptr<Provider> provider;
        const dataaccess::Status status = resolver.Resolve(c.name, provider);
        EXPECT_EQ(status.number, c.number) << status.description;
        if (c.number == 0) continue;
        EXPECT_NE(status.description.find(c.name), std::string::npos) << status.description;
        EXPECT_NE(status.description.find(c.why), std::string::npos) << status.description;
        EXPECT_EQ(provider, nullptr);
    }
    std::filesystem::remove_all(bad);
}

}  // namespace
