#pragma once
// Values between Python and the control's Variants: money as decimal.Decimal
// (never float), dates as datetime.datetime, Integer and Long as int, Boolean
// as bool, String as str. Every function here is called with the GIL held.
#include <pybind11/pybind11.h>

#include <cstdint>

#include "tavirel/param_info.hpp"
#include "tavirel/variant.hpp"

namespace tavirel::python {

namespace py = pybind11;

/// The argument `value` for `param`, as the parameter's type. Amounts must be
/// exact in the currency mode `euro_settings` (cents in euro, whole lire in
/// lire, four decimals when unset): a Decimal or an int; a float is refused.
/// Throws py::type_error for a value of the wrong kind and py::value_error
/// for one that does not fit, naming the parameter.
Variant ToVariant(const ParamInfo& param, py::handle value, std::int32_t euro_settings);

/// A member's result or a parameter's default as Python: Currency as the
/// Decimal of its face value ("1.5"), Single as the Decimal of its shortest
/// form, Date as a naive datetime, empty as None.
py::object ToPython(const Variant& value);

/// A result property's amount, which holds the register's units (cents in
/// euro, lire in lire), as the Decimal of the mode's currency: 150 cents is
/// Decimal("1.50"); in an unset mode the number as it stands.
py::object RegisterAmount(const Variant& value, std::int32_t euro_settings);

}  // namespace tavirel::python
