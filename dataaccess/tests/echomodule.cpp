// A provider module for the loader's tests: one row, "echo". Built again as
// a module of another interface version (WRONG_VERSION) and of none
// (NO_VERSION), which the loader must refuse before calling anything in them.
#include <cstdint>
#include <cstdlib>

#include "memoryprovider.h"

#if defined(WRONG_VERSION)
extern "C" __attribute__((visibility("default"))) const std::uint32_t vantril_interface_version =
    WRONG_VERSION;
#elif !defined(NO_VERSION)
extern "C" __attribute__((visibility("default"))) const std::uint32_t vantril_interface_version =
    dataaccess::kInterfaceVersion;
#endif

extern "C" __attribute__((visibility("default"))) dataaccess::Provider* vantril_create_provider() {
#if defined(WRONG_VERSION) || defined(NO_VERSION)
    std::abort();
#endif
    return new dataaccess::testing::MemoryProvider({"Source"}, {{dataaccess::Value::Text("echo")}});
}
