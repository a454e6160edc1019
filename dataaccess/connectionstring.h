#pragma once

#include <string>
#include <string_view>

#include "status.h"

namespace dataaccess {

// Finds the provider named by a connection string of "key=value" pairs
// separated by ";". Keys are case-insensitive and blanks around keys and
// values are ignored; empty pairs are allowed. Fails when a pair has no "="
// or when no pair names the provider.
Status ProviderFromConnectionString(std::string_view connection, std::string& provider);

}  // namespace dataaccess
