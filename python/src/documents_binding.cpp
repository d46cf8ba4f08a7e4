// tavirel._core.Journal and Runner: documents run exactly once, recorded in
// the journal, by the document layer's own runner.
#include <memory>

#include "bindings.hpp"
#include "py_control.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/journal.hpp"
#include "tavirel/documents/runner.hpp"

namespace tavirel::python {
namespace {

namespace py = pybind11;
namespace doc = tavirel::documents;

/// The journal, shared by the runners that record in it (thread-safe).
struct PyJournal {
  std::shared_ptr<doc::Journal> journal;
  std::string path;
};

/// A runner on one control, which it keeps alive; its runs are calls of
/// that control (the GIL released, one at a time).
class PyRunner {
 public:
  PyRunner(py::object control, const PyJournal& journal, std::string register_name)
      : control_object_(std::move(control)),
        control_(control_object_.cast<PyControl&>()),
        journal_(journal.journal),
        runner_(control_.Control(), *journal_, Options(std::move(register_name))) {}

  /// The outcome of the document given as JSON text, as JSON text.
  std::string Run(const std::string& document_json) {
    const doc::Document document = doc::ParseDocument(document_json);
    return control_.Released([&] { return doc::ToJson(runner_.Run(document)); });
  }

  /// The outcomes of the documents left in flight on this register, as JSON texts.
  std::vector<std::string> ResolveInFlight() {
    return control_.Released([&] {
      std::vector<std::string> outcomes;
      for (const doc::Outcome& o : runner_.ResolveInFlight()) outcomes.push_back(doc::ToJson(o));
      return outcomes;
    });
  }

 private:
  static doc::RunnerOptions Options(std::string register_name) {
    doc::RunnerOptions options;
    options.register_name = std::move(register_name);
    return options;
  }

  py::object control_object_;
  PyControl& control_;
  std::shared_ptr<doc::Journal> journal_;
  doc::Runner runner_;
};

PyJournal OpenJournal(const std::string& path, bool new_journal) {
  doc::JournalOptions options;
  options.empty_is_new = new_journal;
  const py::gil_scoped_release release;  // opening may wait on another process's lock
  return {std::make_shared<doc::Journal>(path, options), path};
}

}  // namespace

void BindDocuments(py::module_& m) {
  py::class_<PyJournal>(m, "Journal")
      .def(py::init(&OpenJournal), py::arg("path"), py::arg("new_journal") = false)
      .def_readonly("path", &PyJournal::path);
  py::class_<PyRunner>(m, "Runner")
      .def(py::init<py::object, const PyJournal&, std::string>(), py::arg("control"),
           py::arg("journal"), py::arg("register_name") = "")
      .def("run", &PyRunner::Run, py::arg("document_json"))
      .def("resolve_in_flight", &PyRunner::ResolveInFlight);
  m.def("default_journal_path", &doc::DefaultJournalPath);
}

}  // namespace tavirel::python
