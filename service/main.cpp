// tavireld: the register service. Serves until SIGTERM, SIGINT or SIGHUP
// (on Windows: Ctrl+C, Ctrl+Break, or the service manager's stop); then
// stops accepting, lets each register finish the document in progress and
// exits 0, leaving queued documents in the journal for the next start. A
// second signal cancels the waits in progress at once. Its log goes to
// standard error, one key=value line per event.
#include <functional>
#include <iostream>
#include <thread>

#include "command_line.hpp"
#include "service.hpp"
#include "system_service.hpp"
#include "tavirel/documents/journal.hpp"
#include "tavirel/support/signal_stop.hpp"
#include "tavirel/version.hpp"
#include "token.hpp"

namespace {

using tavirel::service::Log;
using tavirel::support::SignalStop;

void Announce(tavirel::service::Service& service, const tavirel::service::ServiceConfig& config) {
  Log& log = service.Logger();
  if (service.TokenMade()) log.Info("token-made", {{"token_file", service.TokenPath()}});
  for (const auto& reg : config.registers) {
    log.Info("register-configured", {{"register", reg.name}, {"device", reg.device}});
  }
  log.Info("serving", {{"url", service.Url()}, {"version", tavirel::kVersion}});
  // On standard output, one line, so a script or a test can find the port.
  std::cout << "tavireld: serving " << service.Url() << std::endl;
}

// Serves until a stop request; `serving` runs once the service serves.
int Serve(const tavirel::service::ServiceConfig& config, SignalStop& stop,
          const std::function<void()>& serving) {
  tavirel::service::Service service(config);
  Log& log = service.Logger();
  try {
    service.Start();
  } catch (const std::exception& e) {
    log.Error("start-failed", {{"reason", e.what()}});
    return 1;
  }
  Announce(service, config);
  if (serving) serving();
  stop.ArmAgain([&service] { service.Cancel(); });
  std::thread serving_thread([&service] { service.Serve(); });
  stop.Wait();
  log.Info("stopping", {{"signal", SignalStop::Name(stop.Caught())}});
  service.Stop();
  serving_thread.join();
  stop.ArmAgain({});
  log.Info("stopped");
  return 0;
}

// The service is made with the installing user's journal and token (the
// token made now, so that user can read it): the service's own account has
// other folders.
int Install(const tavirel::service::CommandLine& command) {
  namespace service = tavirel::service;
  const std::string journal = command.config.journal.empty()
                                  ? tavirel::documents::DefaultJournalPath()
                                  : command.config.journal;
  const std::string token =
      command.config.token_file.empty() ? service::DefaultTokenPath() : command.config.token_file;
  (void)service::LoadOrCreateToken(token);
  return service::InstallSystemService(service::SystemServiceArguments(command, journal, token),
                                       std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  namespace service = tavirel::service;
  // Before any thread starts: only the watching thread takes the signals.
  SignalStop stop;
  tavirel::support::IgnoreBrokenPipe();
  try {
    auto command = service::ParseCommandLine(argc, argv, std::cout, std::cerr);
    if (command.exit_status) return *command.exit_status;
    switch (command.system_service) {
      case service::SystemServiceAction::Install: return Install(command);
      case service::SystemServiceAction::Uninstall:
        return service::UninstallSystemService(std::cout, std::cerr);
      case service::SystemServiceAction::Run:
        return service::RunAsSystemService(
            stop,
            [&](const std::function<void()>& serving) {
              return Serve(command.config, stop, serving);
            },
            std::cerr);
      case service::SystemServiceAction::None: break;
    }
    return Serve(command.config, stop, {});
  } catch (const std::exception& e) {
    std::cerr << "tavireld: " << e.what() << std::endl;
    return 1;
  }
}
