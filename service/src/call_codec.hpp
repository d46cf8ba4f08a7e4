#pragma once
// One member call written as a JSON OP, {"member": "opReparto", "args": [...]},
// run on a control and answered with the object `tavirel call --json` prints
// for it (the same codec).
//
// Thread safety: one call at a time per control (the register's worker).
#include <string>
#include <string_view>

#include "tavirel/errors.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::service {

/// An OP that cannot be read: malformed JSON, no "member", an unknown key,
/// an argument that is null, an array or an object.
class CallFormatError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// Runs `op` on `control` (already open) and returns the answer object on
/// one line, without a newline. Throws CallFormatError for an OP that
/// cannot be read; DispatchError and ConversionError for an unknown member
/// or arguments that do not fit; errors of the port pass through.
std::string RunJsonCall(TavirelControl& control, std::string_view op);

}  // namespace tavirel::service
