// tavirel call: one control, PortOpen, each OP in order, PortClose.
#include <CLI/CLI.hpp>
#include <memory>
#include <optional>

#include "call_session.hpp"
#include "cli_errors.hpp"
#include "commands/commands.hpp"
#include "control_setup.hpp"
#include "sim_link.hpp"
#include "tavirel/port_mapping.hpp"

namespace tavirel::cli {

using support::CancelOnStop;
using support::SignalStop;
namespace {

struct CallOptions {
  std::string device;
  int port = 0;
  bool sim = false;
  std::string settings = kDefaultSettings;
  std::string mode = "euro";
  bool json = false;
  bool trace = false;
  bool stop_on_error = false;
  bool allow_malformed = false;
  std::vector<std::string> ops;
};

constexpr const char* kExamples = R"(
Examples:
  tavirel call --sim 'opReparto 1 "PANE DI CASA" 1.50 2' 'opContante 1'
  tavirel call --device /dev/ttyUSB0 --json 'opReadDataOra' 'LastDate'
  tavirel call --device rfc2217://192.168.1.50:4001 'opReadMatrFisc 1' 'LastMatrFisc'
  tavirel call --port 1 --mode lire 'opReparto 1 PANE 1500 2' 'opSubTot 1' 'opContante 1 2000'
  tavirel call --sim --trace 'opApriCassetto 1'
  printf '%s\n' 'opReparto 1 PANE 1.50 2' '{"member": "opContante", "args": [1, 5]}' |
    tavirel call --sim --json -

An OP is one argument: a member of the dispatch interface and its arguments
(see `tavirel members`). Omitted optional arguments take their defaults; a
property's name alone reads it, with one argument sets it ('EuroSettings 7').
A single - reads OPs from standard input, one per line, until its end; a line
may also be a JSON object {"member": NAME, "args": [...]}.

With --json the first line says whether the port is open:
{"ready": true, "device": PATH, "version": "X.Y.Z"} or {"ready": false,
"error": TEXT}; a JSON OP may carry an "id" (any JSON value), echoed in its
answer.

An operation whose arguments do not fit their fields (a negative price, a
description longer than its field, a character the line cannot carry) is
refused before anything is sent; --allow-malformed sends it anyway.

Exit status: 0 when every operation returned OP_OK, 1 when one returned
another code, 2 for a usage error or an error of the call, 3 when standard
output could not be written (the operations carried out are named on
standard error), 130, 143 or 129 after SIGINT, SIGTERM or SIGHUP (the call
in progress is cancelled and the port closed).)";

ControlSetup Setup(const CallOptions& options) {
  return ChooseRegister("call", options.device, options.port, options.sim, options.settings,
                        options.mode);
}

std::string DevicePath(const ControlSetup& setup) {
  return setup.port ? DefaultPortDevice(*setup.port) : setup.device;
}

int RunCall(const CallOptions& options, Streams& streams) {
  ControlSetup setup = Setup(options);
  // Before any thread starts, so that only the watcher takes the signals.
  SignalStop stop;
  // A reader that went away is a write error the run reports, not a silent end.
  support::IgnoreBrokenPipe();
  std::optional<SimLink> sim;  // outlives the control that talks to it
  std::unique_ptr<TavirelControl> control;
  try {
    if (options.sim) {
      SimLinkOptions sim_options;
      sim_options.lire = setup.mode == TVL_EUROSETTINGS_LIRE;
      sim.emplace(sim_options);
      setup.device = sim->DevicePath();
    }
    control = MakeControl(setup, sim ? sim->TakeHostPort() : nullptr);
  } catch (const std::exception& e) {
    if (options.json) streams.out << NotReadyLine(e.what()) << std::endl;
    throw;
  }
  const CancelOnStop cancel_on_stop(stop, *control);
  HostOptions host_options;
  host_options.trace = options.trace;
  host_options.indicator = streams.err_is_terminal;
  host_options.allow_malformed = options.allow_malformed;
  ControlHost host(*control, streams.err, host_options);
  std::optional<FdLines> lines;
  if (streams.in_fd >= 0) lines.emplace(streams.in_fd, stop.WakeFd());
  SessionOptions session_options;
  session_options.json = options.json;
  session_options.stop_on_error = options.stop_on_error;
  session_options.device = DevicePath(setup);
  session_options.lines = lines ? &*lines : nullptr;
  session_options.stop = &stop;
  CallSession session(host, streams, session_options);
  return session.Run(options.ops);
}

}  // namespace

void AddCallCommand(CLI::App& app, Runner& run) {
  auto options = std::make_shared<CallOptions>();
  CLI::App* call = app.add_subcommand("call", "Open one control, run each OP in order, close it");
  auto* device = call->add_option("--device", options->device,
                                  "A serial device or pseudo-terminal by its path, or a device "
                                  "server's port: tcp://HOST:PORT or rfc2217://HOST:PORT")
                     ->type_name("NAME");
  auto* port = call->add_option("--port", options->port,
                                "The control's COMPort (port 1 is " + DefaultPortDevice(1) + ")")
                   ->type_name("N")
                   ->check(CLI::Range(1, 32767));
  auto* sim = call->add_flag("--sim", options->sim, "The built-in simulated register");
  device->excludes(port)->excludes(sim);
  port->excludes(sim);
  call->add_option("--settings", options->settings, "Line settings")
      ->type_name("TEXT")
      ->capture_default_str();
  call->add_option("--mode", options->mode,
                   "Currency mode: lire, euro or a number for EuroSettings")
      ->type_name("lire|euro|N")
      ->capture_default_str();
  call->add_flag("--json", options->json, "One JSON object per OP on standard output");
  call->add_flag("--trace", options->trace, "Every byte on the line, decoded, on standard error");
  call->add_flag("--stop-on-error", options->stop_on_error,
                 "The first OP that does not return OP_OK ends the run; the OPs not run are "
                 "listed on standard error");
  call->add_flag("--allow-malformed", options->allow_malformed,
                 "Send an operation whose arguments do not fit their fields, as the control "
                 "builds it (refused by default)");
  call->add_option("OP", options->ops, "An OP, or - for OPs on standard input")->required();
  call->footer(kExamples);
  call->callback([options, &run] {
    run = [options](Streams& streams) { return RunCall(*options, streams); };
  });
}

}  // namespace tavirel::cli
