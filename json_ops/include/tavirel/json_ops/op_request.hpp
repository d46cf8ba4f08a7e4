#pragma once
// An OP: one member of the control's dispatch interface and its arguments,
// as `tavirel call` and the register service take it. Written as JSON it is
//   {"id": 7, "member": "opReparto", "args": [1, "PANE", 1.50, 2]}
// where "args" may be left out and "id" (any JSON value) is echoed unchanged
// in the answer.
//
// Thread safety: every function here is pure and may be called from any
// thread at once.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/dispatch.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/variant.hpp"

namespace tavirel::json_ops {

/// A JSON OP that cannot be read: malformed JSON, a missing "member", an
/// unknown or repeated key, an argument that is null, an array or an object.
/// The message begins with "JSON OP: " and names the problem.
class JsonOpError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

struct OpRequest {
  /// The member's name, as written.
  std::string member;
  /// Texts (from words, or JSON strings), a JSON number's exact decimal text,
  /// or booleans. The dispatch interface converts them to the parameters'
  /// types without regard to the locale.
  std::vector<Variant> args;
  /// The "id" value as compact JSON text ("7", "\"a\"", "{\"n\": 1}"),
  /// numbers keeping the text they were written with; empty when the OP had
  /// none. Echoed first in the answer object.
  std::optional<std::string> id;
};

/// Reads a JSON OP. Numbers become their plain decimal text (no exponent,
/// the digits as written: the same reader as documents), so 0.1 reaches a
/// Currency parameter as exactly 0.1, never through binary floating point.
/// Throws JsonOpError.
OpRequest ParseJsonOp(std::string_view text);

/// The member an OP with `arg_count` arguments names: a property's name
/// alone reads it, with one argument sets it; anything else is a method.
/// Throws DispatchError for an unknown name (naming the closest ones) and for
/// a read-only property given an argument.
const MemberInfo& ResolveMember(std::string_view name, std::size_t arg_count);

}  // namespace tavirel::json_ops
