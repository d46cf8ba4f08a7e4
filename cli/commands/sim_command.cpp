// tavirel sim: the simulated register on a pseudo-terminal until interrupted.
#include <CLI/CLI.hpp>
#include <csignal>
#include <ctime>
#include <memory>
#include <ostream>

#include "commands/commands.hpp"
#include "sim_link.hpp"

namespace tavirel::cli {
namespace {

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  return signals;
}

// Waits for a stop signal, checking once a second that the register still serves.
void ServeUntilStopped(SimLink& sim, const sigset_t& signals) {
  const timespec second{1, 0};
  while (::sigtimedwait(&signals, nullptr, &second) < 0) {
    if (auto failure = sim.Server().Failure()) std::rethrow_exception(failure);
  }
}

int RunSim(const SimLinkOptions& options, Streams& streams) {
  // Blocked before the serving thread starts, so only sigtimedwait takes them.
  const sigset_t signals = StopSignals();
  ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  SimLink sim(options);
  streams.out << sim.DevicePath() << std::endl;
  std::ostream& out = streams.out;
  const std::size_t id = sim.Register().SubscribeJournal([&out](const sim::PrintedLine& line) {
    if (line.begins) out << '\n';
    out << line.text << std::endl;
  });
  ServeUntilStopped(sim, signals);
  sim.Register().UnsubscribeJournal(id);
  return 0;
}

}  // namespace

void AddSimCommand(CLI::App& app, Runner& run) {
  auto options = std::make_shared<SimLinkOptions>();
  CLI::App* sim = app.add_subcommand("sim",
                                     "Run the simulated register on a pseudo-terminal until "
                                     "interrupted; print its device, then its journal");
  sim->add_option("--link", options->link_path, "Also reachable at this symbolic link")
      ->type_name("PATH");
  sim->add_flag("--lire", options->lire, "A register in lire (euro otherwise)");
  sim->add_option("--state", options->state_path, "Keep the register's state in this file")
      ->type_name("FILE");
  sim->add_option("--paper", options->paper_path,
                  "Append one JSON line to this file for every document the register finishes")
      ->type_name("FILE");
  sim->add_flag("--pace", options->pace, "Realistic line speed and printing times");
  sim->add_option("--fault", options->faults,
                  "A fault switch, repeatable: off, no-ack, no-reply, ack-delay=MS, "
                  "reply-delay=MS, bad-checksum, "
                  "noise, trailing, error=N, paper-end, long, short; NAME@RATE fires at that rate")
      ->type_name("FAULT");
  sim->footer(
      "\nExamples:\n  tavirel sim --link /tmp/register\n"
      "  tavirel call --device /tmp/register 'opReadMatrFisc 1' 'LastMatrFisc'\n"
      "  tavirel sim --state day.json --fault error=23@0.1");
  sim->callback(
      [options, &run] { run = [options](Streams& streams) { return RunSim(*options, streams); }; });
}

}  // namespace tavirel::cli
