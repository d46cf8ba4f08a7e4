#pragma once
// The answer to an OP as one JSON object on one line (no newline), written
// directly into a string:
//   operation:  {"id"?, "member", "result", "result_name", "error_text"?,
//                "command", "events", "last"}
//   any other member: {"id"?, "member", "value"}
//   an error of the call: {"id"?, "member", "error"}
// "error_text" comes with every result other than OP_OK: the text of
// GetLastErrorDescription for it ("" when the pair has none). "last" holds
// the 56 result properties by name, in interface order.
//
// Values: integers and Singles are JSON numbers (a Single that is not finite
// is null); a Currency is a number at face value written exactly ("12500",
// "1.5"); a date is "YYYY-MM-DDTHH:MM:SS"; a text is a string; a boolean is
// true/false; nothing is null. Strings keep their UTF-8; control characters,
// quotes and backslashes are escaped as JSON escapes them; a byte that is
// not UTF-8 becomes U+FFFD.
//
// Thread safety: every function here may be called from any thread at once.
#include <optional>
#include <string>
#include <string_view>

#include "tavirel/json_ops/op_outcome.hpp"
#include "tavirel/variant.hpp"

namespace tavirel::json_ops {

/// Appends the answer object for `outcome`, with `id` (compact JSON text,
/// see OpRequest::id) first when there is one.
void AppendAnswer(std::string& out, const OpOutcome& outcome,
                  const std::optional<std::string>& id = std::nullopt);
/// The same, as a new string.
std::string Answer(const OpOutcome& outcome, const std::optional<std::string>& id = std::nullopt);

/// The answer to an OP that ended in an error of the call.
std::string ErrorAnswer(std::string_view member, std::string_view message,
                        const std::optional<std::string>& id = std::nullopt);

/// Appends `text` as a JSON string.
void AppendJsonString(std::string& out, std::string_view text);
/// Appends a value in the form described above.
void AppendJsonValue(std::string& out, const Variant& value);
/// `text` as a JSON string.
std::string JsonString(std::string_view text);
/// A value as JSON text.
std::string JsonValue(const Variant& value);

}  // namespace tavirel::json_ops
