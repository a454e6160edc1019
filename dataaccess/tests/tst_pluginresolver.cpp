#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "pluginresolver.h"
#include "rowset.h"

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
    PluginResolver resolver({kModules});
    struct Case {
        const char* name;
        int number;
    };
    for (const Case c : {Case{"Missing", 1007}, Case{"", 1007}, Case{"../tests/echotest", 1007},
                         Case{"echo test", 1007}, Case{"nosymbol", 1008}}) {
        SCOPED_TRACE(c.name);
        std::shared_ptr<Provider> provider;
        const dataaccess::Status status = resolver.Resolve(c.name, provider);
        EXPECT_EQ(status.number, c.number) << status.description;
        EXPECT_NE(status.description.find(c.name), std::string::npos) << status.description;
        EXPECT_EQ(provider, nullptr);
    }
}

}  // namespace
