#pragma once
// An OP: one member of the dispatch interface and its arguments, written as
// words ('opReparto 1 "PANE DI CASA" 1.50 2') or, on a line of standard
// input, as a JSON object ({"member": "opReparto", "args": [1, "PANE", 1.50, 2]}).
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/dispatch.hpp"
#include "tavirel/json_ops/op_request.hpp"
#include "tavirel/variant.hpp"

namespace tavirel::cli {

using json_ops::OpRequest;

/// Splits at blanks (spaces and tabs); double quotes group words and may
/// hold \" and \\. Throws UsageError for an unterminated quote.
std::vector<std::string> SplitWords(std::string_view text);

/// The OP written as words: the member's name first, then its arguments.
/// Throws UsageError when there is no name.
OpRequest ParseOpText(std::string_view text);

/// A line of a stdin session: a JSON object when it begins with "{", words
/// otherwise. Throws UsageError (json_ops::JsonOpError for JSON) for
/// malformed input.
OpRequest ParseOpLine(std::string_view line);

/// True for a line a session skips: blank, or a comment beginning with "#".
bool IsBlankOrComment(std::string_view line);

/// The member an OP names (see json_ops::ResolveMember).
inline const MemberInfo& ResolveMember(const OpRequest& request) {
  return json_ops::ResolveMember(request.member, request.args.size());
}

}  // namespace tavirel::cli
