// tavirel demo: a business day on the simulated register, over a
// pseudo-terminal and the real POSIX serial component.
#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

#include "business_day.hpp"
#include "commands/commands.hpp"
#include "control_host.hpp"
#include "control_setup.hpp"
#include "human_output.hpp"
#include "sim_link.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/support/signal_stop.hpp"

namespace tavirel::cli {

using support::CancelOnStop;
using support::SignalStop;
namespace {

struct DemoOptions {
  bool trace = false;
  bool pace = false;
};

// Runs the day until its end or a stop signal; true when every operation
// returned OP_OK.
bool RunDay(ControlHost& host, std::ostream& out, const SignalStop& stop) {
  bool all_ok = true;
  for (const DayStep& step : BusinessDay()) {
    if (stop.Caught() != 0) return false;
    if (!step.heading.empty()) out << '\n' << step.heading << '\n';
    out << "> " << step.op << '\n' << std::flush;
    try {
      const OpOutcome outcome = host.Run(ParseOpText(step.op));
      out << "  " << HumanLine(outcome) << '\n' << std::flush;
      if (outcome.operation && outcome.result != OP_OK) all_ok = false;
    } catch (const CancelledError&) {
      return false;  // the stop is reported by the caller
    }
  }
  return all_ok;
}

int RunDemo(const DemoOptions& options, Streams& streams) {
  SignalStop stop;  // before the simulated register's threads start
  SimLinkOptions sim_options;
  sim_options.pace = options.pace;
  SimLink sim(sim_options);
  ControlSetup setup;
  setup.device = sim.DevicePath();
  const std::unique_ptr<TavirelControl> control = MakeControl(setup, sim.TakeHostPort());
  const CancelOnStop cancel_on_stop(stop, *control);
  HostOptions host_options;
  host_options.trace = options.trace;
  host_options.indicator = streams.err_is_terminal;
  ControlHost host(*control, streams.err, host_options);
  streams.out << "Simulated register on " << sim.DevicePath() << ", euro mode\n";
  bool all_ok = false;
  try {
    host.Open();
    all_ok = RunDay(host, streams.out, stop);
  } catch (const CancelledError&) {
    // The probe was cut short by a stop signal.
  }
  host.Close();
  if (stop.Caught() != 0) {
    streams.err << "tavirel: stopped by " << SignalStop::Name(stop.Caught())
                << "; the port is closed" << std::endl;
    return 128 + stop.Caught();
  }
  streams.out << "\nJournal\n-------\n" << JournalText(sim.Register().JournalDocuments());
  streams.out << '\n'
              << (all_ok ? "Every operation returned OP_OK."
                         : "Some operation did not return OP_OK.")
              << std::endl;
  return all_ok ? 0 : 1;
}

}  // namespace

void AddDemoCommand(CLI::App& app, Runner& run) {
  auto options = std::make_shared<DemoOptions>();
  CLI::App* demo = app.add_subcommand("demo",
                                      "A business day on the built-in simulated register: each "
                                      "operation, its result, then the journal");
  demo->add_flag("--trace", options->trace, "Every byte on the line, decoded, on standard error");
  demo->add_flag("--pace", options->pace, "Realistic line speed and printing times (slower)");
  demo->footer(
      "\nExamples:\n  tavirel demo\n  tavirel demo --trace 2>trace.txt\n"
      "\nExit status 0 only when every operation returned OP_OK.");
  demo->callback([options, &run] {
    run = [options](Streams& streams) { return RunDemo(*options, streams); };
  });
}

}  // namespace tavirel::cli
