#pragma once
// The library's errors of the call as Python exceptions: tavirel.Error and
// one subclass per kind, each carrying the library's message.
#include <pybind11/pybind11.h>

namespace tavirel::python {

/// Registers the exception classes in `module` and their translators.
void BindErrors(pybind11::module_& module);

}  // namespace tavirel::python
