#pragma once
// The control's dispatch interface: every member in slot order with its id,
// kind, parameters and result type, and invocation by name or id with
// Variant arguments, so a command line, a script, a property page or a
// binding can call any member.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/export.hpp"
#include "tavirel/param_info.hpp"
#include "tavirel/variant.hpp"

namespace tavirel {

class TavirelControl;

enum class MemberKind { Method, PropertyGet, PropertyPut };

/// "method", "propget", "propput".
TAVIREL_API std::string_view KindName(MemberKind kind);

struct TAVIREL_API MemberInfo {
  std::int32_t id;  // follows the slot order, from 1
  std::string_view name;
  MemberKind kind;
  std::vector<ParamInfo> params;
  VarType result;  // VT_EMPTY for none
};

/// Every member of the interface, in slot order.
TAVIREL_API std::span<const MemberInfo> Members();
/// The member of that name and kind, or nullptr.
TAVIREL_API const MemberInfo* FindMember(std::string_view name, MemberKind kind);
/// The member with that id, or nullptr.
TAVIREL_API const MemberInfo* FindMember(std::int32_t id);
/// Up to `count` member names closest to `name` (for "did you mean").
TAVIREL_API std::vector<std::string_view> ClosestMemberNames(std::string_view name,
                                                             std::size_t count = 3);
/// "opReparto(CodOpr As Integer, DescProd As String, ..., [TipoPrezzo As Integer = 1], ...) As
/// Integer".
TAVIREL_API std::string Signature(const MemberInfo& member);

/// The event interface: FPError(ErrorLevel As Integer, ErrorCode As Long).
TAVIREL_API const MemberInfo& FPErrorEvent();

/// Invokes a member. Arguments are converted to their parameters' types (a
/// Currency from "1.50", a Single from "5.5", a short from "12"); omitted
/// trailing optional arguments take their defaults. Throws DispatchError for
/// a wrong number of arguments and ConversionError for an argument that does
/// not convert (naming the member and the parameter); errors of the member
/// itself pass through.
TAVIREL_API Variant Invoke(TavirelControl& control, const MemberInfo& member,
                           std::vector<Variant> args);
/// By name: throws DispatchError for an unknown name (naming the closest ones).
TAVIREL_API Variant Invoke(TavirelControl& control, std::string_view name, MemberKind kind,
                           std::vector<Variant> args);
/// By id.
TAVIREL_API Variant Invoke(TavirelControl& control, std::int32_t id, std::vector<Variant> args);

}  // namespace tavirel

namespace tavirel {

/// The length of an operation's command string when every argument fits its
/// field (85 for opReparto, 48 for opMsgVisoreCortesia); empty for a name
/// that is not an operation.
TAVIREL_API std::optional<std::size_t> NominalCommandLength(std::string_view operation);

}  // namespace tavirel
