// tavirel-sim-server: the simulated register on a pseudo-terminal, until
// SIGTERM or SIGINT. Prints "DEVICE <path>" once it serves.
//
//   tavirel-sim-server [--state FILE] [--link PATH] [--lire] [--serial N]
//                      [--fault FAULT]... [--seed N] [--realistic] [--journal]
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/pty_server.hpp"

namespace {

using namespace tavirel::sim;

struct Args {
  SimOptions sim;
  PtyOptions pty;
  bool journal = false;
};

Args Parse(int argc, char** argv) {
  Args args;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw SimError(std::string(arg) + " needs a value");
      return argv[++i];
    };
    if (arg == "--state") {
      args.sim.state_path = value();
    } else if (arg == "--paper") {
      args.sim.paper_path = value();
    } else if (arg == "--link") {
      args.pty.link_path = value();
    } else if (arg == "--lire") {
      args.sim.currency = CurrencyUnit::Lire;
    } else if (arg == "--serial") {
      args.sim.serial = std::stoi(value());
    } else if (arg == "--fault") {
      args.sim.faults.push_back(ParseFaultSwitch(value()));
    } else if (arg == "--seed") {
      args.sim.seed = std::stoull(value());
    } else if (arg == "--realistic") {
      args.sim.pacing = Pacing::Realistic();
    } else if (arg == "--journal") {
      args.journal = true;
    } else {
      throw SimError("unknown option " + std::string(arg));
    }
  }
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);  // before any thread starts
  try {
    Args args = Parse(argc, argv);
    PtySimulator sim = StartOnPty(args.sim, args.pty);
    if (args.journal) {
      sim.reg->SubscribeJournal(
          [](const PrintedLine& line) { std::cout << "| " << line.text << std::endl; });
    }
    std::cout << "DEVICE " << sim.server->DevicePath() << std::endl;
    int signal = 0;
    sigwait(&stop_signals, &signal);
    if (auto failure = sim.server->Failure()) std::rethrow_exception(failure);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "tavirel-sim-server: " << e.what() << std::endl;
    return 1;
  }
}
