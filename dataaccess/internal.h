#pragma once

#include <string>
#include <string_view>

#include "dataaccess_api.h"

// The layer's own workings, shared by its source files only.
namespace dataaccess {

// Finds the provider named by a connection string of "key=value" pairs
// separated by ";". Keys are case-insensitive and blanks around keys and
// values are ignored; empty pairs are allowed. Fails when a pair has no "="
// or when no pair names the provider.
Status ProviderFromConnectionString(std::string_view connection, std::string& provider);

}  // namespace dataaccess

// Error numbers this layer raises itself (1000-1999).
namespace dataaccess::errors {

inline constexpr int kClosed = 1001;              // the record set is not open
inline constexpr int kAlreadyOpen = 1002;         // Open on an open record set
inline constexpr int kNoCurrentRow = 1003;        // BOF or EOF is true
inline constexpr int kFieldNotFound = 1004;       // no field of that name
inline constexpr int kBadConnection = 1005;       // malformed connection string
inline constexpr int kNoProvider = 1006;          // connection string names no provider
inline constexpr int kProviderNotFound = 1007;    // no module for that provider
inline constexpr int kProviderLoadFailed = 1008;  // the module is there but unusable
inline constexpr int kOutOfMemory = 1009;
inline constexpr int kProviderVersion = 1010;  // the module was built for another interface

inline Status Closed() { return {kClosed, "The operation is not allowed when the record set is not open."}; }

}  // namespace dataaccess::errors
