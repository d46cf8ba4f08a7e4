#pragma once
// Finding a member by name for a caller that cannot go on without it.
#include <string_view>

#include "tavirel/dispatch.hpp"

namespace tavirel {

/// The member of that name and kind. Throws DispatchError when there is
/// none: naming the kinds the name has, or else the closest names.
const MemberInfo& RequireMember(std::string_view name, MemberKind kind);

}  // namespace tavirel
