#pragma once
// tavireld as a Windows service: registered with --install-service (the
// options given beside it become the service's command line, with the
// journal and token made absolute for the installing user), removed with
// --uninstall-service, and started by the service manager with
// --as-service, whose stop and shutdown requests stop it as SIGTERM does.
// The manager's part is system_service_win.cpp; on POSIX systems
// (system_service_posix.cpp) systemd's unit does that job and these
// actions say so.
//
// Free functions; each is called once, from main.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "command_line.hpp"
#include "tavirel/support/signal_stop.hpp"

namespace tavirel::service {

/// The name the service is registered under.
inline constexpr const char* kSystemServiceName = "tavireld";

/// `words` as one Windows command line that splits back into them
/// (CommandLineToArgvW's rules: quotes around words with blanks or quotes,
/// backslashes doubled before a quote).
std::string WindowsCommandLine(const std::vector<std::string>& words);

/// The service's arguments: `command`'s, with --journal and --token-file
/// (`journal`, `token_file`) added when they were not given, and --as-service.
std::vector<std::string> SystemServiceArguments(const CommandLine& command,
                                                const std::string& journal,
                                                const std::string& token_file);

/// Registers this program as the service, started at boot with
/// `arguments`. 0, or an exit status after saying why on `err`.
int InstallSystemService(const std::vector<std::string>& arguments, std::ostream& out,
                         std::ostream& err);

/// Removes the service (stopped first when it runs). 0, or an exit status.
int UninstallSystemService(std::ostream& out, std::ostream& err);

/// Serves as the service: `serve` runs with a function to call once it
/// serves; the manager's stop requests come through `stop` as SIGTERM.
/// Standard error (the log) goes to tavireld.log in the user's state folder.
/// The exit status of `serve`, or 2 when the manager did not start us.
int RunAsSystemService(support::SignalStop& stop,
                       const std::function<int(const std::function<void()>& serving)>& serve,
                       std::ostream& err);

}  // namespace tavirel::service
