#pragma once
// The parts of tavirel._core, each bound by its own file.
#include <pybind11/pybind11.h>

namespace tavirel::python {

void BindControl(pybind11::module_& module);
void BindSim(pybind11::module_& module);
void BindDocuments(pybind11::module_& module);

}  // namespace tavirel::python
