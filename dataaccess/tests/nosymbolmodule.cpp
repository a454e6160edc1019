// A module of the right interface version that exports no provider entry point.
#include <cstdint>

#include "dataaccess_api.h"

extern "C" __attribute__((visibility("default"))) const std::uint32_t vantril_interface_version =
    dataaccess::kInterfaceVersion;
