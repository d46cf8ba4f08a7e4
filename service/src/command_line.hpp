#pragma once
// tavireld's command line: the options, --config FILE (the same settings as
// JSON; options given on the command line take precedence), --help and
// --version.
#include <iosfwd>
#include <optional>

#include "config.hpp"

namespace tavirel::service {

struct CommandLine {
  ServiceConfig config;
  /// Set when the program has nothing more to do (--help, --version, a
  /// usage error already printed): the exit status.
  std::optional<int> exit_status;
};

/// Parses the arguments; help and usage errors go to `out` and `err`.
/// Throws ConfigError for a configuration that is wrong (naming it).
CommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err);

}  // namespace tavirel::service
