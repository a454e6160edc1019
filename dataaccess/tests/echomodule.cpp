// A provider module for the loader's tests: one row, "echo". Built again for another interface version
// (VERSION), which the loader must refuse before calling anything in it, and without the entry point
// (NO_ENTRY).
#include <cstdlib>

#include "memoryprovider.h"

#ifndef VERSION
#define VERSION dataaccess::kInterfaceVersion
#endif
extern "C" __attribute__((visibility("default"))) const std::uint32_t vantril_interface_version = VERSION;

#ifndef NO_ENTRY
extern "C" __attribute__((visibility("default"))) dataaccess::Provider* vantril_create_provider() {
    if (VERSION != dataaccess::kInterfaceVersion) std::abort();
    return new dataaccess::testing::MemoryProvider({"Source"}, {{dataaccess::Value::Text("echo")}});
}
#endif
