// The built plug-in: loading it and opening through it is covered by the
// end-to-end and install tests; what they do not see is what it exports.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "dataaccess_api.h"

namespace {

TEST(Module, ExportsTheEntryPointAndNothingOfTheProvider) {
    void* module = dlopen(QUORBIX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    EXPECT_NE(dlsym(module, dataaccess::kCreateProviderSymbol), nullptr);
    // Neither the provider's own classes nor inline code from the layer's
    // headers leak out of it.
    for (const char* hidden : {"_ZTVN7quorbix15QuorbixProviderE", "_ZN10dataaccess5Value4NullEv"}) {
        EXPECT_EQ(dlsym(module, hidden), nullptr) << hidden;
    }
    dlclose(module);
}

}  // namespace
