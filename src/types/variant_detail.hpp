#pragma once
// Helpers shared by the conversions of Variant.
#include <string>

#include "tavirel/variant.hpp"

namespace tavirel::variant_detail {

/// The value for a message: its type name and its text ("String \"abc\"",
/// "Single 1.5"). Never throws.
std::string Describe(const Variant& value);

/// The value has no reading as the target type ("abc" as Integer).
[[noreturn]] void ThrowNotConvertible(const Variant& value, VarType target);

/// The value reads as a number the target type cannot hold.
[[noreturn]] void ThrowOutOfRange(const Variant& value, VarType target);

}  // namespace tavirel::variant_detail
