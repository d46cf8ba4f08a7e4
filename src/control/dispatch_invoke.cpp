// Invoking a member of the dispatch interface with Variant arguments.
#include "control/bind_arguments.hpp"
#include "control/member_lookup.hpp"
#include "control/member_table.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel {

Variant Invoke(TavirelControl& control, const MemberInfo& member, std::vector<Variant> args) {
  const std::optional<MemberRow> row = RowOf(member);
  if (!row)
    throw DispatchError("no " + std::string(KindName(member.kind)) + " named \"" +
                        std::string(member.name) + "\" in this interface");
  args = BindArguments(*row->info, std::move(args));
  return row->invoke(control, *row->info, args);
}

Variant Invoke(TavirelControl& control, std::string_view name, MemberKind kind,
               std::vector<Variant> args) {
  return Invoke(control, RequireMember(name, kind), std::move(args));
}

std::string QuotedName(std::string_view name) {
  const std::size_t longest = LongestMemberName();
  if (name.size() <= longest) return "\"" + std::string(name) + "\"";
  return "\"" + std::string(name.substr(0, longest)) + "...\" (" + std::to_string(name.size()) +
         " characters, longer than any member's name)";
}

const MemberInfo& RequireMember(std::string_view name, MemberKind kind) {
  if (const MemberInfo* member = FindMember(name, kind)) return *member;
  std::string message = "no member named " + QuotedName(name);
  if (FindMember(name, MemberKind::Method) || FindMember(name, MemberKind::PropertyGet)) {
    message = "\"" + std::string(name) + "\" cannot be used as a " + std::string(KindName(kind));
  } else {
    std::string closest;
    for (auto candidate : ClosestMemberNames(name)) {
      closest += (closest.empty() ? "" : ", ") + std::string(candidate);
    }
    if (!closest.empty()) message += "; closest: " + closest;
  }
  throw DispatchError(message);
}

Variant Invoke(TavirelControl& control, std::int32_t id, std::vector<Variant> args) {
  const MemberInfo* member = FindMember(id);
  if (member == nullptr) throw DispatchError("no member with id " + std::to_string(id));
  return Invoke(control, *member, std::move(args));
}

}  // namespace tavirel
