// tavirel._core.Control and the tables the Python layer builds the public
// Control class from: the member table, the result codes, the operations'
// descriptions.
#include <pybind11/stl.h>

#include <algorithm>
#include <chrono>

#include "bindings.hpp"
#include "conversions.hpp"
#include "operation_words.hpp"
#include "py_control.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::python {
namespace {

py::tuple ParamRow(const ParamInfo& p) {
  return py::make_tuple(std::string(p.name), static_cast<int>(p.type), p.optional,
                        p.optional ? ToPython(p.default_value) : py::object(py::none()));
}

// One row per member in slot order: (id, name, kind, params, result type,
// signature, is an operation of the catalogue); a param is (name, type,
// optional, default), types as their Automation numbers.
py::list MemberRows() {
  py::list rows;
  for (const MemberInfo& m : Members()) {
    py::list params;
    for (const ParamInfo& p : m.params) params.append(ParamRow(p));
    rows.append(py::make_tuple(m.id, std::string(m.name), std::string(KindName(m.kind)), params,
                               static_cast<int>(m.result), Signature(m),
                               NominalCommandLength(m.name).has_value()));
  }
  return rows;
}

// Every code the library names, read from its own table of names.
py::list ResultCodes() {
  py::list codes;
  for (int code = INT16_MIN; code <= INT16_MAX; ++code) {
    const std::string_view name = ResultName(static_cast<std::int16_t>(code));
    if (!name.empty()) codes.append(py::make_tuple(std::string(name), code));
  }
  return codes;
}

std::unique_ptr<PyControl> MakeControl(const py::object& port) {
  if (py::isinstance<SimHost>(port))
    return std::make_unique<PyControl>(port.cast<std::shared_ptr<SimHost>>());
  if (!port.is_none() && !py::isinstance<py::str>(port))
    throw py::type_error("Control takes a port name (str), a simulated register or None");
  return std::make_unique<PyControl>(port);
}

// The same sale line as `ecr.opReparto(1, "PANE", Decimal("1.50"), 1)`,
// called from C++ `count` times: what a Python call is measured against.
double CppSaleLineSeconds(PyControl& control, int count) {
  return control.Released([&] {
    TavirelControl& c = control.Control();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) c.opReparto(1, "PANE", Currency::FromRaw(15000), 1);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return took.count() / std::max(count, 1);
  });
}

}  // namespace

void BindControl(py::module_& m) {
  py::class_<PyControl>(m, "Control", "The control; tavirel.Control adds its members by name.")
      .def(py::init(&MakeControl), py::arg("port") = py::none())
      .def("_call", &PyControl::Call, py::arg("id"), py::arg("args"))
      .def("_run", &PyControl::Run, py::arg("id"), py::arg("args"))
      .def("_get", &PyControl::Get, py::arg("id"))
      .def("_put", &PyControl::Put, py::arg("id"), py::arg("value"))
      .def("cancel_wait", &PyControl::CancelWait,
           "Cancels the call that waits for the register (from any thread): it ends with "
           "CancelledError. A cancel made while nothing waits ends the next call before it sends.")
      .def_property_readonly("busy", &PyControl::Busy,
                             "True while a call of this control waits for the printer.")
      .def_property("FPError", &PyControl::FPError, &PyControl::SetFPError,
                    "The FPError event: a callable (ErrorLevel, ErrorCode) called on the calling "
                    "thread when an operation fails; None for none. An exception it raises ends "
                    "the call with that exception.");

  m.def("cpp_sale_line_seconds", &CppSaleLineSeconds, py::arg("control"), py::arg("count"),
        "Seconds per sale line called from C++ on the control: the measure's reference.");
  m.def("members", &MemberRows, "The member table, in slot order.");
  m.def("result_codes", &ResultCodes, "(name, value) of every result code.");
  m.def("operation_texts", &OperationTexts, "(name, description) of every operation.");
  m.def("parameter_texts", &ParameterTexts,
        "(operation or '' for all, parameter, meaning) of the parameters.");
  m.def("error_text", &ErrorTexts, py::arg("level"), py::arg("code"),
        "The Italian text for an (ErrorLevel, ErrorCode) pair; '' when it has none.");
  m.def(
      "error_kind",
      [](std::int16_t level, std::int32_t code) { return std::string(ErrorKind(level, code)); },
      py::arg("level"), py::arg("code"),
      "What kind of failure the pair is: 'paper-out', 'line', 'port-closed', ... ('' for OP_OK).");
  m.attr("TVL_EUROSETTINGS_UNKNOWN") = static_cast<int>(TVL_EUROSETTINGS_UNKNOWN);
  m.attr("TVL_EUROSETTINGS_LIRE") = static_cast<int>(TVL_EUROSETTINGS_LIRE);
  m.attr("TVL_EUROSETTINGS_EURO") = static_cast<int>(TVL_EUROSETTINGS_EURO);
}

}  // namespace tavirel::python
