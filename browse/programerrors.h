#pragma once

// Error numbers the program raises itself (100-199).
namespace browse::errors {

inline constexpr int kObjectNotSet = 101;      // a step before any record set was opened
inline constexpr int kInvalidUseOfNull = 102;  // a field without a value to show
inline constexpr int kOutOfMemory = 103;
inline constexpr int kUnexpected = 199;  // anything else that escaped an operation

}  // namespace browse::errors
