#pragma once
// --json: one object per OP, on one line.
//   operation: {"member", "result", "result_name", "command", "events", "last"}
//   any other member: {"member", "value"}
//   an error of the call in a stdin session: {"member", "error"}
#include <string>
#include <string_view>

#include "op_outcome.hpp"
#include "tavirel/variant.hpp"

namespace tavirel::cli {

/// A value as JSON text: integers and Singles as numbers, a Currency as a
/// number at face value written exactly ("12500", "1.5"), a date as
/// "YYYY-MM-DDTHH:MM:SS", a text as a string, a boolean as true/false,
/// nothing as null.
std::string JsonValue(const Variant& value);

/// A text as a JSON string (UTF-8 kept, invalid bytes replaced).
std::string JsonString(std::string_view text);

std::string JsonLine(const OpOutcome& outcome);
std::string JsonErrorLine(std::string_view member, std::string_view message);

}  // namespace tavirel::cli
