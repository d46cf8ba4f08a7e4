#pragma once
// tavireld's command line: the options, --config FILE (the same settings as
// JSON; options given on the command line take precedence), --help,
// --version, and the Windows service's --install-service and
// --uninstall-service.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "config.hpp"

namespace tavirel::service {

/// What to do with the system's service manager (Windows).
enum class SystemServiceAction {
  None,       // serve from here
  Install,    // register the program, with the other options, as a service
  Uninstall,  // remove that registration
  Run,        // serve as that service (the registered command line says so)
};

struct CommandLine {
  ServiceConfig config;
  SystemServiceAction system_service = SystemServiceAction::None;
  /// The arguments less --install-service: what the service is started with.
  std::vector<std::string> service_arguments;
  /// Set when the program has nothing more to do (--help, --version, a
  /// usage error already printed): the exit status.
  std::optional<int> exit_status;
};

/// Parses the arguments; help and usage errors go to `out` and `err`.
/// Throws ConfigError for a configuration that is wrong (naming it).
CommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err);

}  // namespace tavirel::service
