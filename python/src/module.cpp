// tavirel._core: the driver, the simulated register and the documents for
// Python. The public names are made by the pure-Python package around it.
#include "bindings.hpp"
#include "errors.hpp"
#include "tavirel/version.hpp"

PYBIND11_MODULE(_core, m) {
  m.doc() = "The tavirel driver's extension; import tavirel instead.";
  tavirel::python::BindErrors(m);
  tavirel::python::BindControl(m);
  tavirel::python::BindSim(m);
  tavirel::python::BindDocuments(m);
  m.attr("__version__") = tavirel::kVersion;
}
