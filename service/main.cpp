// tavireld: the register service. Serves until SIGTERM, SIGINT or SIGHUP;
// then stops accepting, lets each register finish the document in progress
// and exits 0, leaving queued documents in the journal for the next start. A
// second signal cancels the waits in progress at once. Its log goes to
// standard error, one key=value line per event.
#include <poll.h>

#include <csignal>
#include <iostream>
#include <thread>

#include "command_line.hpp"
#include "service.hpp"
#include "tavirel/support/signal_stop.hpp"
#include "tavirel/version.hpp"

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

void WaitFor(const SignalStop& stop) {
  pollfd p{stop.WakeFd(), POLLIN, 0};
  while (::poll(&p, 1, -1) <= 0) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Before any thread starts: only the watching thread takes the signals.
  SignalStop stop;
  ::signal(SIGPIPE, SIG_IGN);
  try {
    auto command = tavirel::service::ParseCommandLine(argc, argv, std::cout, std::cerr);
    if (command.exit_status) return *command.exit_status;
    tavirel::service::Service service(command.config);
    Log& log = service.Logger();
    try {
      service.Start();
    } catch (const std::exception& e) {
      log.Error("start-failed", {{"reason", e.what()}});
      return 1;
    }
    Announce(service, command.config);
    stop.ArmAgain([&service] { service.Cancel(); });
    std::thread serving([&service] { service.Serve(); });
    WaitFor(stop);
    log.Info("stopping", {{"signal", SignalStop::Name(stop.Caught())}});
    service.Stop();
    serving.join();
    stop.ArmAgain({});
    log.Info("stopped");
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "tavireld: " << e.what() << std::endl;
    return 1;
  }
}
