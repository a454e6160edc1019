// A provider module for the loader's tests: one row, "echo".
#include "memoryprovider.h"

extern "C" __attribute__((visibility("default"))) dataaccess::Provider* vantril_create_provider() {
    return new dataaccess::testing::MemoryProvider({"Source"}, {{dataaccess::Value::Text("echo")}});
}
