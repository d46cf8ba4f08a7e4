#pragma once
// Finding a member by name for a caller that cannot go on without it.
#include <string>
#include <string_view>

#include "tavirel/dispatch.hpp"

namespace tavirel {

/// A name as an error message quotes it: whole when it could be a member's,
/// else its first characters and how long it was, so that a huge name
/// never makes a huge message.
std::string QuotedName(std::string_view name);

/// The member of that name and kind. Throws DispatchError when there is
/// none: naming the kinds the name has, or else the closest names.
const MemberInfo& RequireMember(std::string_view name, MemberKind kind);

}  // namespace tavirel
