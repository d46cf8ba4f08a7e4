#pragma once
// The one place where given arguments become a member's parameters: the
// dispatch interface, the operations run by name and the argument check all
// bind through here, so they accept and refuse the same things with the same
// words.
#include <cstddef>
#include <string>
#include <vector>

#include "tavirel/dispatch.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {

/// Throws DispatchError when `given` arguments are too few or too many for
/// the member (the message shows its signature).
void CheckArgumentCount(const MemberInfo& member, std::size_t given);

/// The argument for parameter `index` in its parameter's type: an empty
/// argument in an optional place takes the default. Throws DispatchError for
/// an empty argument in a required place and ConversionError (naming the
/// member and the parameter) for one that does not convert.
Variant BindArgument(const MemberInfo& member, std::size_t index, const Variant& given);

/// What a ConversionError of `param`'s argument says, without the member:
/// "does not convert to Currency: ...".
std::string ConversionProblem(const ParamInfo& param, const ConversionError& error);

/// Every argument bound, omitted trailing optionals filled with defaults.
std::vector<Variant> BindArguments(const MemberInfo& member, std::vector<Variant> given);

}  // namespace tavirel
