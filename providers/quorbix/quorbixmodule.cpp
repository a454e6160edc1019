// The module's only exports: the interface version it was built with, and the
// function the layer makes the provider with. Everything else is hidden.

#include <cstdint>
#include <new>

#include "quorbixprovider.h"

extern "C" __attribute__((visibility("default"))) const std::uint32_t vantril_interface_version =
    dataaccess::kInterfaceVersion;

extern "C" __attribute__((visibility("default"))) dataaccess::Provider* vantril_create_provider() {
    // The layer takes null as "cannot create"; an exception must not cross
    // the C boundary.
    return new (std::nothrow) quorbix::QuorbixProvider();
}
