// The built plug-in, loaded the way the data-access layer loads it.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "openoptions.h"
#include "provider.h"
#include "testdatabase.h"

namespace quorbix::testing {
namespace {

TEST(Module, ExportsTheEntryPointAndOpensACatalog) {
    void* module = dlopen(QUORBIX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    // Only the entry point is visible; the provider's own classes are not.
    EXPECT_EQ(dlsym(module,
                    "_ZN7quorbix15QuorbixProvider4OpenESt17basic_string_viewIcSt11char_"
                    "traitsIcEEiiiRSt10unique_ptrIN10dataaccess6RowsetESt14default_deleteIS7_EE"),
              nullptr);
    auto create = reinterpret_cast<dataaccess::CreateProviderFunction>(
        dlsym(module, dataaccess::kCreateProviderSymbol));
    ASSERT_NE(create, nullptr) << dlerror();
    {
        TempFolder folder;
        const std::string path = folder.File("c.db");
        RunSql(path, std::string(kCatalogTable) +
                         "INSERT INTO objects VALUES('Report', 'Invoice', '2024-01-02 03:04', NULL),"
                         "('Form', 'Orders', NULL, NULL);");
        std::unique_ptr<dataaccess::Provider> provider(create());
        ASSERT_NE(provider, nullptr);
        std::unique_ptr<dataaccess::Rowset> rowset;
        const auto status = provider->Open("Report;" + path, dataaccess::adOpenForwardOnly,
                                           dataaccess::adLockReadOnly, 0, rowset);
        ASSERT_TRUE(status.ok()) << status.description;
        ASSERT_EQ(rowset->RowCount(), 1u);
        EXPECT_EQ(Describe(rowset->Read(0, 0)), "text:Invoice");
        EXPECT_EQ(Describe(rowset->Read(0, 1)), "date:2024-01-02 03:04:00");
        EXPECT_EQ(Describe(rowset->Read(0, 2)), "null");
    }  // provider and rowset go before the module that holds their code
    dlclose(module);
}

}  // namespace
}  // namespace quorbix::testing
