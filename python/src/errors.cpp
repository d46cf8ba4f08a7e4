// Exception classes and their translator: one class per kind of the
// library's errors, the most derived kinds caught first.
#include "errors.hpp"

#include <string>

#include "tavirel/documents/errors.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/sim/errors.hpp"

namespace tavirel::python {
namespace {

namespace py = pybind11;

// The classes, made once when the module is imported and kept for the
// interpreter's life (the translator is a plain function: it cannot capture).
struct Classes {
  py::handle error, port, settings, conversion, busy, cancelled, dispatch, document, journal,
      key_conflict, damaged_row, register_mismatch, sim, state_file;
};

Classes& TheClasses() {
  static Classes classes;
  return classes;
}

py::handle NewClass(py::module_& module, const char* name, py::handle base, const char* doc) {
  const std::string qualified = std::string("tavirel.") + name;
  PyObject* cls = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, base.ptr(), nullptr);
  if (cls == nullptr) throw py::error_already_set();
  module.add_object(name, py::reinterpret_borrow<py::object>(cls));
  return cls;  // the new reference is kept for the interpreter's life
}

// Raises `cls(message)` after `set` has given the instance its attributes.
template <typename Setter>
void RaiseWith(py::handle cls, const char* message, Setter set) {
  py::object error = py::reinterpret_borrow<py::object>(cls)(message);
  set(error);
  PyErr_SetObject(cls.ptr(), error.ptr());
}

void Raise(py::handle cls, const char* message) { PyErr_SetString(cls.ptr(), message); }

void Translate(std::exception_ptr thrown) {
  const Classes& c = TheClasses();
  try {
    std::rethrow_exception(thrown);
  } catch (const CancelledError& e) {
    RaiseWith(c.cancelled, e.what(),
              [&](py::object& error) { error.attr("request_sent") = e.request_sent(); });
  } catch (const SerialError& e) {
    RaiseWith(c.port, e.what(), [&](py::object& error) {
      error.attr("errno") = e.code() ? py::object(py::int_(e.code().value())) : py::none();
    });
  } catch (const documents::DocumentError& e) {
    RaiseWith(c.document, e.what(), [&](py::object& error) {
      py::list problems;
      for (const documents::Problem& p : e.problems())
        problems.append(py::make_tuple(p.where, p.message));
      error.attr("problems") = problems;
    });
  } catch (const documents::KeyConflictError& e) {
    Raise(c.key_conflict, e.what());
  } catch (const documents::DamagedRowError& e) {
    Raise(c.damaged_row, e.what());
  } catch (const documents::JournalError& e) {
    Raise(c.journal, e.what());
  } catch (const documents::RegisterMismatchError& e) {
    Raise(c.register_mismatch, e.what());
  } catch (const SettingsError& e) {
    Raise(c.settings, e.what());
  } catch (const ConversionError& e) {
    Raise(c.conversion, e.what());
  } catch (const BusyError& e) {
    Raise(c.busy, e.what());
  } catch (const DispatchError& e) {
    Raise(c.dispatch, e.what());
  } catch (const sim::StateFileError& e) {
    Raise(c.state_file, e.what());
  } catch (const sim::SimError& e) {
    Raise(c.sim, e.what());
  } catch (const TavirelError& e) {
    Raise(c.error, e.what());
  }
}

// The classes in the order they are made: each after its base (none: Error's
// base is Exception).
struct ClassRow {
  py::handle Classes::*slot;
  const char* name;
  py::handle Classes::*base;
  const char* doc;
};

constexpr ClassRow kClassRows[] = {
    {&Classes::error, "Error", nullptr,
     "An error of the call raised by the library; the message is the library's."},
    {&Classes::port, "PortError", &Classes::error,
     "The port failed: missing, without permission, in use, hung up, or an I/O error. `errno` "
     "is the system's error number when known, else None."},
    {&Classes::settings, "SettingsError", &Classes::error,
     "A line settings text or port name that does not parse."},
    {&Classes::conversion, "ConversionError", &Classes::error,
     "A value that does not convert: a reply field or an argument."},
    {&Classes::busy, "BusyError", &Classes::error,
     "A call made while another call of the same control waits."},
    {&Classes::cancelled, "CancelledError", &Classes::error,
     "A wait was cancelled (cancel_wait). `request_sent` says whether the request had gone out: "
     "if so, the register may have carried it out."},
    {&Classes::dispatch, "DispatchError", &Classes::error,
     "A member call refused before it ran: unknown member, wrong arguments."},
    {&Classes::document, "DocumentError", &Classes::error,
     "A text that is not a document. `problems` lists (where, message)."},
    {&Classes::journal, "JournalError", &Classes::error,
     "The journal's database could not be opened, read or written."},
    {&Classes::key_conflict, "KeyConflictError", &Classes::journal,
     "A key the journal holds with other content."},
    {&Classes::damaged_row, "DamagedRowError", &Classes::journal,
     "A journal row that does not read; it is left as it is."},
    {&Classes::register_mismatch, "RegisterMismatchError", &Classes::error,
     "A document of another register, or in flight on another one."},
    {&Classes::sim, "SimError", &Classes::error,
     "The simulated register could not be set up, or a malformed switch."},
    {&Classes::state_file, "StateFileError", &Classes::error,
     "The simulated register's state file cannot be read or written."},
};

}  // namespace

void BindErrors(py::module_& module) {
  Classes& c = TheClasses();
  for (const ClassRow& row : kClassRows) {
    const py::handle base = row.base != nullptr ? c.*row.base : py::handle(PyExc_Exception);
    c.*row.slot = NewClass(module, row.name, base, row.doc);
  }
  py::register_exception_translator(&Translate);
}

}  // namespace tavirel::python
