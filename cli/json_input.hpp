#pragma once
// An OP given as a JSON object on a line of standard input:
//   {"member": "opReparto", "args": [1, "PANE", 1.50, 2]}
// A number keeps the text it was written with, so that 0.1 reaches a
// Currency parameter as exactly 0.1, never through binary floating point.
#include <string>
#include <string_view>

#include "op_parser.hpp"

namespace tavirel::cli {

/// Parses the object; "args" may be left out. Numbers become their plain
/// decimal text, strings texts, true/false booleans. Throws UsageError
/// naming the problem (malformed JSON, a missing "member", an unknown key, a
/// null, array or object among the arguments).
OpRequest ParseJsonOp(std::string_view text);

/// A JSON number's text without exponent: "1.5e2" is "150", "-2E-3" is
/// "-0.002", "1.50" stays "1.50". Throws UsageError when the exponent puts
/// the number beyond any parameter's range.
std::string PlainDecimal(std::string_view json_number);

}  // namespace tavirel::cli
