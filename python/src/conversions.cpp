// Python values to Variants and back. Amounts go through decimal digits
// only: a Decimal's text, scaled exactly, never a binary float.
#include "conversions.hpp"

#include <datetime.h>

#include <limits>
#include <string>

#include "tavirel/decimal.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::python {
namespace {

// The decimal type, imported once per interpreter and kept for its life.
py::handle DecimalType() {
  static py::handle type = py::object(py::module_::import("decimal").attr("Decimal")).release();
  return type;
}

void EnsureDateTime() {
  if (PyDateTimeAPI == nullptr) PyDateTime_IMPORT;
  if (PyDateTimeAPI == nullptr) throw py::error_already_set();
}

std::string Named(const ParamInfo& param) { return std::string(param.name); }

std::string Shown(py::handle value) { return py::repr(value).cast<std::string>(); }

[[noreturn]] void WrongKind(const ParamInfo& param, py::handle value, const char* wanted) {
  throw py::type_error(Named(param) + " takes " + wanted + ", not " +
                       std::string(Py_TYPE(value.ptr())->tp_name) + " " + Shown(value));
}

bool IsInt(py::handle value) { return PyLong_Check(value.ptr()) && !PyBool_Check(value.ptr()); }

std::int64_t Integer(const ParamInfo& param, py::handle value, std::int64_t low,
                     std::int64_t high) {
  if (!IsInt(value)) WrongKind(param, value, "an int");
  int overflow = 0;
  const long long n = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (overflow == 0 && n == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow != 0 || n < low || n > high) {
    throw py::value_error(Named(param) + ": " + Shown(value) + " is outside " +
                          std::to_string(low) + ".." + std::to_string(high));
  }
  return n;
}

bool IsDecimal(py::handle value) {
  return Py_TYPE(value.ptr()) == reinterpret_cast<PyTypeObject*>(DecimalType().ptr()) ||
         PyObject_IsInstance(value.ptr(), DecimalType().ptr()) == 1;
}

// The text of an object's str(), without a copy.
std::string_view TextOf(const py::object& text) {
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
  if (data == nullptr) throw py::error_already_set();
  return {data, static_cast<std::size_t>(size)};
}

// The decimal digits of an int or a finite Decimal, as its text gives them.
decimal::Digits DigitsOf(const ParamInfo& param, py::handle value) {
  const bool is_decimal = IsDecimal(value);
  if (!is_decimal && !IsInt(value)) WrongKind(param, value, "a decimal.Decimal or an int");
  const py::object text = py::reinterpret_steal<py::object>(PyObject_Str(value.ptr()));
  if (!text) throw py::error_already_set();
  std::optional<decimal::Digits> digits = decimal::Parse(TextOf(text));
  if (digits) return *digits;
  if (is_decimal && !value.attr("is_finite")().cast<bool>()) {
    throw py::value_error(Named(param) + ": " + Shown(value) + " is not a finite amount");
  }
  // Far beyond any amount either way: refused before its digits are written out.
  const int magnitude = value.attr("adjusted")().cast<int>();
  if (magnitude > 40) throw py::value_error(Named(param) + ": " + Shown(value) + " is too large");
  if (magnitude < -40 && value.attr("is_zero")().cast<bool>() == false)
    throw py::value_error(Named(param) + ": " + Shown(value) + " has too many decimals");
  // str() of a Decimal with an exponent ("1E+2") is not plain: its 'f' form is.
  {
    const py::object plain = py::module_::import("builtins").attr("format")(value, "f");
    digits = decimal::Parse(plain.cast<std::string>());
  }
  if (!digits) throw py::value_error(Named(param) + ": " + Shown(value) + " is not a plain number");
  return *digits;
}

// Decimals the mode's currency carries: cents in euro, none in lire.
int ModeDecimals(std::int32_t euro_settings) {
  switch (euro_settings) {
    case TVL_EUROSETTINGS_EURO: return 2;
    case TVL_EUROSETTINGS_LIRE: return 0;
    default: return 4;  // no mode: the Currency's own precision
  }
}

const char* ModeUnit(std::int32_t euro_settings) {
  switch (euro_settings) {
    case TVL_EUROSETTINGS_EURO: return "euro cents";
    case TVL_EUROSETTINGS_LIRE: return "whole lire";
    default: return "four decimals";
  }
}

Currency Amount(const ParamInfo& param, py::handle value, std::int32_t euro_settings) {
  const decimal::Digits digits = DigitsOf(param, value);
  const int decimals = ModeDecimals(euro_settings);
  const std::optional<std::int64_t> units = decimal::ScaleExact(digits, decimals);
  std::int64_t scale = 1;
  for (int i = decimals; i < 4; ++i) scale *= 10;
  constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
  if (!units) {
    // Either too many decimals or too large: say which.
    if (decimal::ScaleRounded(digits, decimals)) {
      throw py::value_error(Named(param) + ": " + Shown(value) + " is not exact in " +
                            ModeUnit(euro_settings));
    }
    throw py::value_error(Named(param) + ": " + Shown(value) + " is too large");
  }
  if (*units > kMost / scale || *units < -(kMost / scale)) {
    throw py::value_error(Named(param) + ": " + Shown(value) + " is too large");
  }
  return Currency::FromRaw(*units * scale);
}

float Single(const ParamInfo& param, py::handle value) {
  if (PyFloat_Check(value.ptr())) return static_cast<float>(PyFloat_AsDouble(value.ptr()));
  const decimal::Digits digits = DigitsOf(param, value);
  try {
    return Variant(decimal::ToPlainText(digits)).ToR4();
  } catch (const std::exception&) {
    throw py::value_error(Named(param) + ": " + Shown(value) + " does not fit a Single");
  }
}

OleDate Date(const ParamInfo& param, py::handle value) {
  EnsureDateTime();
  if (!PyDateTime_Check(value.ptr())) WrongKind(param, value, "a datetime.datetime");
  PyObject* v = value.ptr();
  return OleDate::FromParts(PyDateTime_GET_YEAR(v), PyDateTime_GET_MONTH(v), PyDateTime_GET_DAY(v),
                            PyDateTime_DATE_GET_HOUR(v), PyDateTime_DATE_GET_MINUTE(v),
                            PyDateTime_DATE_GET_SECOND(v));
}

// A VARIANT parameter takes the value's own type.
Variant AnyValue(const ParamInfo& param, py::handle value, std::int32_t euro_settings) {
  if (PyBool_Check(value.ptr())) return VariantBool{value.ptr() == Py_True};
  if (IsInt(value)) return static_cast<std::int32_t>(Integer(param, value, INT32_MIN, INT32_MAX));
  if (PyUnicode_Check(value.ptr())) return value.cast<std::string>();
  if (PyFloat_Check(value.ptr())) return Single(param, value);
  if (IsDecimal(value)) return Amount(param, value, euro_settings);
  return Date(param, value);
}

py::object DecimalFrom(const std::string& text) { return DecimalType()(py::str(text)); }

// The whole number `units` with `decimals` of them after the point: 150, 2 is "1.50".
std::string ScaledText(std::int64_t units, int decimals) {
  const bool negative = units < 0;
  std::string digits = std::to_string(negative ? -static_cast<unsigned long long>(units)
                                               : static_cast<unsigned long long>(units));
  if (decimals > 0) {
    if (digits.size() <= static_cast<std::size_t>(decimals))
      digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
    digits.insert(digits.size() - static_cast<std::size_t>(decimals), ".");
  }
  return negative ? "-" + digits : digits;
}

}  // namespace

Variant ToVariant(const ParamInfo& param, py::handle value, std::int32_t euro_settings) {
  switch (param.type) {
    case VarType::VT_I2:
      return static_cast<std::int16_t>(Integer(param, value, INT16_MIN, INT16_MAX));
    case VarType::VT_I4:
      return static_cast<std::int32_t>(Integer(param, value, INT32_MIN, INT32_MAX));
    case VarType::VT_R4: return Single(param, value);
    case VarType::VT_CY: return Amount(param, value, euro_settings);
    case VarType::VT_DATE: return Date(param, value);
    case VarType::VT_BSTR:
      if (!PyUnicode_Check(value.ptr())) WrongKind(param, value, "a str");
      return std::string(TextOf(py::reinterpret_borrow<py::object>(value)));
    case VarType::VT_BOOL:
      if (!PyBool_Check(value.ptr())) WrongKind(param, value, "a bool");
      return VariantBool{value.ptr() == Py_True};
    case VarType::VT_VARIANT: return AnyValue(param, value, euro_settings);
    case VarType::VT_EMPTY: break;
  }
  throw py::type_error(Named(param) + " takes no value");
}

py::object ToPython(const Variant& value) {
  switch (value.type()) {
    case VarType::VT_EMPTY: return py::none();
    case VarType::VT_I2: return py::int_(value.get<std::int16_t>());
    case VarType::VT_I4: return py::int_(value.get<std::int32_t>());
    case VarType::VT_R4: return DecimalFrom(value.ToString());
    case VarType::VT_CY: return DecimalFrom(value.get<Currency>().ToString());
    case VarType::VT_DATE: {
      EnsureDateTime();
      const DateParts p = value.get<OleDate>().Parts();
      return py::reinterpret_steal<py::object>(
          PyDateTime_FromDateAndTime(p.year, p.month, p.day, p.hour, p.minute, p.second, 0));
    }
    case VarType::VT_BSTR: {
      const std::string& text = value.get<std::string>();
      return py::reinterpret_steal<py::object>(
          PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
    }
    case VarType::VT_BOOL: return py::bool_(value.get<VariantBool>().value);
    case VarType::VT_VARIANT: break;
  }
  return py::none();
}

py::object RegisterAmount(const Variant& value, std::int32_t euro_settings) {
  const Currency amount = value.get<Currency>();
  switch (euro_settings) {
    case TVL_EUROSETTINGS_EURO: return DecimalFrom(ScaledText(amount.RoundedUnits(0), 2));
    case TVL_EUROSETTINGS_LIRE: return DecimalFrom(ScaledText(amount.RoundedUnits(0), 0));
    default: return DecimalFrom(amount.ToString());
  }
}

}  // namespace tavirel::python
