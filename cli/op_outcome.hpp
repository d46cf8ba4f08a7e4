#pragma once
// What one OP did (see tavirel/json_ops/op_outcome.hpp), and the warning the
// command line gives when its command string does not fit its layout.
#include <optional>
#include <string>

#include "tavirel/json_ops/op_outcome.hpp"

namespace tavirel::cli {

using json_ops::FpEvent;
using json_ops::OpOutcome;

/// "warning: ..." when the command string is longer or shorter than its
/// layout (an argument wider than its field): it says whether the request
/// went out as it is, or why nothing was sent (with a hint at --mode when
/// the currency mode was not set). Empty when the string fits.
std::optional<std::string> LengthWarning(const OpOutcome& outcome);

}  // namespace tavirel::cli
