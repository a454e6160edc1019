#pragma once

#include "status.h"

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

inline Status Closed() { return {kClosed, "The operation is not allowed when the record set is not open."}; }

}  // namespace dataaccess::errors
