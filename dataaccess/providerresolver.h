#pragma once

#include <memory>
#include <string_view>

#include "provider.h"
#include "status.h"

namespace dataaccess {

// Finds the provider a connection string names. The program hands one to
// every record set it creates; tests hand in their own to put test providers
// in front of the plug-in lookup.
class ProviderResolver {
public:
    virtual ~ProviderResolver() = default;

    // name is as the connection string spells it; names are case-insensitive.
    virtual Status Resolve(std::string_view name, std::shared_ptr<Provider>& provider) const = 0;
};

}  // namespace dataaccess
