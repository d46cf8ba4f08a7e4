#pragma once
// Errors of the command line itself: a malformed OP, a bad option value.
// Together with the driver's TavirelError they end a call with status 2.
#include <stdexcept>

namespace tavirel::cli {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitResult = 1;  // an operation returned another code than OP_OK
inline constexpr int kExitError = 2;   // a usage error or an error of the call
inline constexpr int kExitOutput = 3;  // standard output could not be written

}  // namespace tavirel::cli
