// tavirel._core.SimRegister: the simulated register with its switches, what
// it printed, and its pseudo-terminal.
#include <pybind11/stl.h>

#include "bindings.hpp"
#include "sim_host.hpp"
#include "tavirel/sim/console.hpp"
#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/faults.hpp"

namespace tavirel::python {
namespace {

namespace py = pybind11;

std::shared_ptr<SimHost> MakeSim(bool lire, std::int32_t serial,
                                 const std::vector<std::string>& faults,
                                 const std::string& state_path, std::uint64_t seed,
                                 bool virtual_time) {
  sim::SimOptions options;
  options.currency = lire ? sim::CurrencyUnit::Lire : sim::CurrencyUnit::Euro;
  options.serial = serial;
  options.state_path = state_path;
  options.seed = seed;
  for (const std::string& text : faults) options.faults.push_back(sim::ParseFaultSwitch(text));
  const py::gil_scoped_release release;  // reads or creates the state file
  return std::make_shared<SimHost>(std::move(options), virtual_time);
}

py::dict Stats(SimHost& host) {
  sim::LineStats s;
  {
    const py::gil_scoped_release release;
    s = host.Register().Stats();
  }
  py::dict stats;
  stats["frames"] = s.frames;
  stats["checksum_errors"] = s.checksum_errors;
  stats["acks_sent"] = s.acks_sent;
  stats["replies_sent"] = s.replies_sent;
  stats["host_acks"] = s.host_acks;
  stats["ignored_bytes"] = s.ignored_bytes;
  stats["dropped_frames"] = s.dropped_frames;
  stats["faulted_frames"] = s.faulted_frames;
  py::dict fired;
  for (int i = 0; i < sim::kFaultCount; ++i)
    fired[py::str(std::string(sim::FaultName(static_cast<sim::Fault>(i))))] =
        s.faults[static_cast<std::size_t>(i)];
  stats["faults"] = fired;
  return stats;
}

// (kind, text, complete) of the documents in the journal's window, oldest first.
std::vector<std::tuple<std::string, std::string, bool>> Documents(SimHost& host) {
  std::vector<std::tuple<std::string, std::string, bool>> rows;
  for (const sim::JournalDocument& d : host.Register().JournalDocuments())
    rows.emplace_back(std::string(sim::DocumentKindName(d.kind)), d.Text(), d.complete);
  return rows;
}

}  // namespace

void BindSim(py::module_& m) {
  // Every member takes the register's lock, which the thread serving the
  // line holds while the register writes its state file: the GIL is let go.
  const auto released = py::call_guard<py::gil_scoped_release>();
  py::class_<SimHost, std::shared_ptr<SimHost>>(m, "SimRegister")
      .def(py::init(&MakeSim), py::arg("lire") = false, py::arg("serial") = 123456,
           py::arg("faults") = std::vector<std::string>{}, py::arg("state_path") = "",
           py::arg("seed") = 1, py::arg("virtual_time") = false)
      .def(
          "fault",
          [](SimHost& h, const std::string& text) {
            h.Register().ArmFault(sim::ParseFaultSwitch(text));
          },
          py::arg("switch"), released,
          "Arms a fault switch: name[=param][@RATE | #N | :CODE] (SimError when malformed).")
      .def(
          "clear_faults", [](SimHost& h) { h.Register().ClearFaults(); }, released,
          "Disarms every fault switch.")
      .def(
          "faults",
          [](SimHost& h) {
            std::vector<std::string> texts;
            for (const sim::FaultSwitch& f : h.Register().ArmedFaults())
              texts.push_back(sim::ToString(f));
            return texts;
          },
          released, "The armed switches as they stand (a \"#N\" counts down).")
      .def(
          "set_power", [](SimHost& h, bool on) { h.Register().SetPower(on); }, py::arg("on"),
          released, "Switches the register on or off.")
      .def(
          "set_cts", [](SimHost& h, bool on) { h.Register().SetClearToSend(on); },
          py::arg("asserted"), released,
          "Lets Clear To Send go (True) or holds it low (False), the power left as it is.")
      .def(
          "run_out_of_paper", [](SimHost& h) { h.Register().RunOutOfPaper(); }, released,
          "The paper runs out now: printing commands are refused until refill and 1149.")
      .def(
          "refill_paper", [](SimHost& h) { h.Register().RefillPaper(); }, released,
          "Puts paper back (the host still sends opRiavvioStampaDaFineCarta).")
      .def(
          "console",
          [](SimHost& h, const std::string& line) {
            return sim::ConsoleCommand(h.Register(), line);
          },
          py::arg("line"), released,
          "One console command (fault, clear, power, cts, refill, stats, state); its answer.")
      .def("stats", &Stats, "What the line saw: counters, and the switches fired by name.")
      .def(
          "state_json", [](SimHost& h) { return sim::StateLine(h.Register().Status()); }, released,
          "The switches and the day as one line of JSON.")
      .def("documents", &Documents, released,
           "(kind, text, complete) of the documents printed, oldest first (the latest 64).")
      .def(
          "execute",
          [](SimHost& h, const std::string& command) { return h.Register().Execute(command); },
          py::arg("command"), released,
          "Carries out a command string without the line; the reply payload.")
      .def("start_pty", &SimHost::StartPty, py::arg("link_path") = "", released,
           "Serves the register on a new pseudo-terminal (and a link to it when given).")
      .def("stop_pty", &SimHost::StopPty, released, "Stops serving the pseudo-terminal.")
      .def_property_readonly("device", &SimHost::Device,
                             "The pseudo-terminal's path, or \"\" when none is served.");
}

}  // namespace tavirel::python
