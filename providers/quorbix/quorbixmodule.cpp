// The module's only export: the layer finds the provider through this symbol.
// Everything else in the module is hidden.

#include <new>

#include "quorbixprovider.h"

extern "C" __attribute__((visibility("default"))) dataaccess::Provider* vantril_create_provider() {
    // The layer takes null as "cannot create"; an exception must not cross
    // the C boundary.
    return new (std::nothrow) quorbix::QuorbixProvider();
}
