// tavireld: the register service. Serves until SIGTERM, SIGINT or SIGHUP;
// then stops accepting, lets each register finish the document in progress
// and exits 0, leaving queued documents in the journal for the next start. A
// second signal cancels the waits in progress at once.
#include <atomic>
#include <csignal>
#include <cstring>
#include <ctime>
#include <iostream>
#include <thread>

#include "command_line.hpp"
#include "service.hpp"
#include "tavirel/errors.hpp"

namespace {

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  return signals;
}

void Announce(const tavirel::service::Service& service,
              const tavirel::service::ServiceConfig& config) {
  if (service.TokenMade()) {
    std::cerr << "tavireld: made a new API token in " << service.TokenPath() << std::endl;
  }
  std::cerr << "tavireld: registers:";
  for (const auto& reg : config.registers) std::cerr << ' ' << reg.name << '=' << reg.device;
  std::cerr << std::endl;
  // On standard output, one line, so a script or a test can find the port.
  std::cout << "tavireld: serving " << service.Url() << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
  const sigset_t signals = StopSignals();
  ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);  // before any thread: only sigwait takes them
  ::signal(SIGPIPE, SIG_IGN);
  try {
    auto command = tavirel::service::ParseCommandLine(argc, argv, std::cout, std::cerr);
    if (command.exit_status) return *command.exit_status;
    tavirel::service::Service service(command.config);
    service.Start();
    Announce(service, command.config);
    std::thread serving([&service] { service.Serve(); });
    int signal = 0;
    ::sigwait(&signals, &signal);
    std::cerr << "tavireld: stopping (" << ::strsignal(signal) << ")" << std::endl;
    std::atomic<bool> stopped{false};
    std::thread second([&] {
      const timespec slice{0, 200'000'000};
      while (!stopped) {
        if (::sigtimedwait(&signals, nullptr, &slice) > 0) service.Cancel();
      }
    });
    service.Stop();
    serving.join();
    stopped = true;
    second.join();
    std::cerr << "tavireld: stopped" << std::endl;
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "tavireld: " << e.what() << std::endl;
    return 1;
  }
}
