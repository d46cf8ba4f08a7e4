// Which member an OP names: the same name may be a property to read, a
// property to set, or a method.
#include "tavirel/json_ops/op_request.hpp"

namespace tavirel::json_ops {
namespace {

std::string ClosestNames(std::string_view name) {
  std::string names;
  for (std::string_view candidate : ClosestMemberNames(name)) {
    names += (names.empty() ? "" : ", ") + std::string(candidate);
  }
  return names;
}

}  // namespace

const MemberInfo& ResolveMember(std::string_view name, std::size_t arg_count) {
  const MemberInfo* get = FindMember(name, MemberKind::PropertyGet);
  const MemberInfo* put = FindMember(name, MemberKind::PropertyPut);
  const MemberInfo* method = FindMember(name, MemberKind::Method);
  if (arg_count == 0 && get != nullptr) return *get;
  if (arg_count == 1 && put != nullptr) return *put;
  if (method != nullptr) return *method;
  if (put != nullptr) {
    throw DispatchError(std::string(name) +
                        " takes no argument to read it and one to set it, not " +
                        std::to_string(arg_count));
  }
  if (get != nullptr) {
    throw DispatchError(std::string(name) + " is a read-only property: it takes no argument");
  }
  throw DispatchError("no member named \"" + std::string(name) +
                      "\"; closest: " + ClosestNames(name));
}

}  // namespace tavirel::json_ops
