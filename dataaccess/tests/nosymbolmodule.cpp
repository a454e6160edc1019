// A module that exports no provider entry point: of the right interface version, or (NO_VERSION) of none.
#include <cstdint>

#include "dataaccess_api.h"

#ifndef NO_VERSION
extern "C" __attribute__((visibility("default"))) const std::uint32_t vantril_interface_version =
    dataaccess::kInterfaceVersion;
#endif
