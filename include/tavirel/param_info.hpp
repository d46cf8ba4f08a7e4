#pragma once
// What the catalogue of operations and the dispatch interface both need to
// know about a parameter, below either of them.
#include <string_view>

#include "tavirel/export.hpp"
#include "tavirel/variant.hpp"

namespace tavirel {

/// The product code a sale line sends when the caller gives none: forty
/// zeros, "no product code".
inline constexpr const char* kDefaultProductCode = "0000000000000000000000000000000000000000";

/// One parameter of a member. Plain data with static names: safe to share
/// between threads.
struct TAVIREL_API ParamInfo {
  std::string_view name;  ///< as the interface spells it ("CodOpr")
  VarType type;           ///< the type an argument is converted to
  bool optional = false;  ///< may be omitted (trailing parameters only)
  Variant default_value;  ///< what an omitted optional argument takes
};

}  // namespace tavirel
