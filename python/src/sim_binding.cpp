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
                                 const std::string& state_path, std::uint64_t seed) {
  sim::SimOptions options;
  options.currency = lire ? sim::CurrencyUnit::Lire : sim::CurrencyUnit::Euro;
  options.serial = serial;
  options.state_path = state_path;
  options.seed = seed;
  for (const std::string& text : faults) options.faults.push_back(sim::ParseFaultSwitch(text));
  return std::make_shared<SimHost>(std::move(options));
}

py::dict Stats(SimHost& host) {
  const sim::LineStats s = host.Register().Stats();
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
  // Every member takes the register's own lock briefly: none waits on the
  // line, so the GIL is kept, except where a thread is joined.
  py::class_<SimHost, std::shared_ptr<SimHost>>(m, "SimRegister")
      .def(py::init(&MakeSim), py::arg("lire") = false, py::arg("serial") = 123456,
           py::arg("faults") = std::vector<std::string>{}, py::arg("state_path") = "",
           py::arg("seed") = 1)
      .def(
          "fault",
          [](SimHost& h, const std::string& text) {
            h.Register().ArmFault(sim::ParseFaultSwitch(text));
          },
          py::arg("switch"))
      .def("clear_faults", [](SimHost& h) { h.Register().ClearFaults(); })
      .def("faults",
           [](SimHost& h) {
             std::vector<std::string> texts;
             for (const sim::FaultSwitch& f : h.Register().ArmedFaults())
               texts.push_back(sim::ToString(f));
             return texts;
           })
      .def(
          "set_power", [](SimHost& h, bool on) { h.Register().SetPower(on); }, py::arg("on"))
      .def(
          "set_cts", [](SimHost& h, bool on) { h.Register().SetClearToSend(on); },
          py::arg("asserted"))
      .def("run_out_of_paper", [](SimHost& h) { h.Register().RunOutOfPaper(); })
      .def("refill_paper", [](SimHost& h) { h.Register().RefillPaper(); })
      .def(
          "console",
          [](SimHost& h, const std::string& line) {
            return sim::ConsoleCommand(h.Register(), line);
          },
          py::arg("line"))
      .def("stats", &Stats)
      .def("state_json", [](SimHost& h) { return sim::StateLine(h.Register().Status()); })
      .def("documents", &Documents)
      .def(
          "execute",
          [](SimHost& h, const std::string& command) { return h.Register().Execute(command); },
          py::arg("command"))
      .def("start_pty", &SimHost::StartPty, py::arg("link_path") = "")
      .def("stop_pty", &SimHost::StopPty, py::call_guard<py::gil_scoped_release>())
      .def_property_readonly("device", &SimHost::Device);
}

}  // namespace tavirel::python
