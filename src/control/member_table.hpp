#pragma once
// The member table behind the dispatch interface: one row per member, in
// slot order, each with the function that calls it on a control.
#include <optional>
#include <vector>

#include "tavirel/dispatch.hpp"

namespace tavirel {

/// Calls a member on a control with arguments already bound to its
/// parameters (all present, in their types).
using MemberInvoker = Variant (*)(TavirelControl& control, const MemberInfo& member,
                                  const std::vector<Variant>& args);

/// A member's row: the table's own MemberInfo and its invoker.
struct MemberRow {
  const MemberInfo* info;
  MemberInvoker invoke;
};

/// The row of a member, found by its id, else by its name and kind (a copy
/// made by the caller); nullopt when the table has no such member.
std::optional<MemberRow> RowOf(const MemberInfo& member);

}  // namespace tavirel
