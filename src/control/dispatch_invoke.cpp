// Invoking a member of the dispatch interface with Variant arguments.
#include "control/bind_arguments.hpp"
#include "control/member_lookup.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel {
namespace {

Variant Bool(bool value) { return Variant(VariantBool{value}); }

Variant InvokeMethod(TavirelControl& control, const MemberInfo& member,
                     const std::vector<Variant>& args) {
  const std::string_view name = member.name;
  if (name == "GetLastErrorDescription") {
    return Variant(
        control.GetLastErrorDescription(args[0].get<std::int16_t>(), args[1].get<std::int32_t>()));
  }
  if (name == "PortOpen") return control.PortOpen(), Variant();
  if (name == "PortClose") return control.PortClose(), Variant();
  if (name == "PortIsOpen") return Bool(control.PortIsOpen());
  return Variant(control.RunOperation(name, args));
}

Variant InvokeGet(TavirelControl& control, const MemberInfo& member) {
  const std::string_view name = member.name;
  if (name == "Settings") return Variant(control.Settings());
  if (name == "COMPort") return Variant(control.COMPort());
  if (name == "EuroSettings") return Variant(control.EuroSettings());
  if (name == "Major") return Variant(control.Major());
  if (name == "Minor") return Variant(control.Minor());
  if (name == "Revision") return Variant(control.Revision());
  return control.ResultProperty(name);
}

void InvokePut(TavirelControl& control, const MemberInfo& member, const Variant& value) {
  const std::string_view name = member.name;
  if (name == "Settings") control.Settings(value.get<std::string>());
  if (name == "COMPort") control.COMPort(value.get<std::int16_t>());
  if (name == "EuroSettings") control.EuroSettings(value.get<std::int32_t>());
}

}  // namespace

Variant Invoke(TavirelControl& control, const MemberInfo& member, std::vector<Variant> args) {
  args = BindArguments(member, std::move(args));
  switch (member.kind) {
    case MemberKind::Method: return InvokeMethod(control, member, args);
    case MemberKind::PropertyGet: return InvokeGet(control, member);
    case MemberKind::PropertyPut: InvokePut(control, member, args[0]); return {};
  }
  return {};
}

Variant Invoke(TavirelControl& control, std::string_view name, MemberKind kind,
               std::vector<Variant> args) {
  return Invoke(control, RequireMember(name, kind), std::move(args));
}

const MemberInfo& RequireMember(std::string_view name, MemberKind kind) {
  if (const MemberInfo* member = FindMember(name, kind)) return *member;
  std::string message = "no member named \"" + std::string(name) + "\"";
  if (FindMember(name, MemberKind::Method) || FindMember(name, MemberKind::PropertyGet)) {
    message = "\"" + std::string(name) + "\" cannot be used as a " + std::string(KindName(kind));
  } else {
    std::string closest;
    for (auto candidate : ClosestMemberNames(name)) {
      closest += (closest.empty() ? "" : ", ") + std::string(candidate);
    }
    message += "; closest: " + closest;
  }
  throw DispatchError(message);
}

Variant Invoke(TavirelControl& control, std::int32_t id, std::vector<Variant> args) {
  const MemberInfo* member = FindMember(id);
  if (member == nullptr) throw DispatchError("no member with id " + std::to_string(id));
  return Invoke(control, *member, std::move(args));
}

}  // namespace tavirel
