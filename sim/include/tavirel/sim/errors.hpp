#pragma once
// Errors of the simulated register's own calls (not the printer's refusals,
// which travel on the line as error replies).
#include "tavirel/errors.hpp"

namespace tavirel::sim {

/// The state file cannot be read, parsed or written. The message names the
/// file and what is wrong with it; the register never starts afresh silently.
class StateFileError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// A transport could not be set up (pseudo-terminal, link path) or an option
/// is malformed (fault switch text). The message names what failed.
class SimError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

}  // namespace tavirel::sim
