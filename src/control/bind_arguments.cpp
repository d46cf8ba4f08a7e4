// Binding given arguments to a member's parameters.
#include "control/bind_arguments.hpp"

#include <string>

#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

std::size_t RequiredCount(const MemberInfo& member) {
  std::size_t required = 0;
  for (const auto& p : member.params) required += p.optional ? 0 : 1;
  return required;
}

// An argument already of its parameter's type goes on as it is.
bool TakenAsGiven(const ParamInfo& param, const Variant& given) {
  if (param.optional && given.empty()) return false;  // omitted: the default
  return param.type == VarType::VT_VARIANT || given.type() == param.type;
}

}  // namespace

void CheckArgumentCount(const MemberInfo& member, std::size_t given) {
  const std::size_t required = RequiredCount(member);
  const std::size_t most = member.params.size();
  if (given >= required && given <= most) return;
  const std::string range = required == most
                                ? std::to_string(required)
                                : std::to_string(required) + " to " + std::to_string(most);
  throw DispatchError(std::string(member.name) + " takes " + range + " arguments, not " +
                      std::to_string(given) + ": " + Signature(member));
}

Variant BindArgument(const MemberInfo& member, std::size_t index, const Variant& given) {
  const ParamInfo& param = member.params.at(index);
  // An empty argument in an optional place is an omitted one: converting it
  // would send 0 or blanks instead of the default.
  if (param.optional && given.empty()) return param.default_value;
  if (TakenAsGiven(param, given)) return given;
  // An empty argument in a required place is a missing one, never a zero.
  if (given.empty()) {
    throw DispatchError(std::string(member.name) + ": argument " + std::string(param.name) +
                        " is missing: " + Signature(member));
  }
  try {
    return given.ConvertTo(param.type);
  } catch (const ConversionError& e) {
    throw ConversionError(std::string(member.name) + ": argument " + std::string(param.name) + " " +
                          ConversionProblem(param, e));
  }
}

std::string ConversionProblem(const ParamInfo& param, const ConversionError& error) {
  return "does not convert to " + std::string(TypeName(param.type)) + ": " + error.what();
}

std::vector<Variant> BindArguments(const MemberInfo& member, std::vector<Variant> given) {
  CheckArgumentCount(member, given.size());
  for (std::size_t i = 0; i < given.size(); ++i) {
    // Bound in place: no copy of an argument that needs no conversion.
    if (!TakenAsGiven(member.params[i], given[i])) given[i] = BindArgument(member, i, given[i]);
  }
  for (std::size_t i = given.size(); i < member.params.size(); ++i) {
    given.push_back(member.params[i].default_value);
  }
  return given;
}

}  // namespace tavirel
