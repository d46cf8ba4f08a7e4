#pragma once
// The control's dispatch interface: every member in slot order with its id,
// kind, parameters and result type, and invocation by name or id with
// Variant arguments, so a command line, a script, a property page or a
// binding can call any member.
//
// Thread safety: the member table is built once, on first use, and never
// changes: Members, FindMember, ClosestMemberNames, Signature and the
// MemberInfo they return may be used from any thread, and the pointers and
// spans stay valid for the life of the program. Invoke calls the control and
// is as thread-safe as the member it calls (one operation per control at a
// time; a second one meanwhile is a BusyError).
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

/// What a member is: a method, or one side of a property.
enum class MemberKind {
  Method,       ///< called with arguments, may return a value
  PropertyGet,  ///< reads a property, no arguments
  PropertyPut,  ///< writes a property, one argument of its type
};

/// "method", "propget", "propput".
TAVIREL_API std::string_view KindName(MemberKind kind);

/// One member of the interface (one slot).
struct TAVIREL_API MemberInfo {
  std::int32_t id;                ///< the slot number, from 1
  std::string_view name;          ///< as the interface spells it ("opReparto")
  MemberKind kind;                ///< method, property get or property put
  std::vector<ParamInfo> params;  ///< in order; optional ones trail
  VarType result;                 ///< VT_EMPTY for none, VT_VARIANT for a VARIANT
};

/// Every member of the interface, in slot order.
TAVIREL_API std::span<const MemberInfo> Members();
/// The member of that name and kind, or nullptr.
TAVIREL_API const MemberInfo* FindMember(std::string_view name, MemberKind kind);
/// The member with that id, or nullptr.
TAVIREL_API const MemberInfo* FindMember(std::int32_t id);
/// Up to `count` member names closest to `name` (for "did you mean"); none
/// for a name longer than every member's, which is answered at once.
TAVIREL_API std::vector<std::string_view> ClosestMemberNames(std::string_view name,
                                                             std::size_t count = 3);
/// The length of the longest member name: no longer name can be a member's.
TAVIREL_API std::size_t LongestMemberName();
/// "opReparto(CodOpr As Integer, DescProd As String, ..., [TipoPrezzo As Integer = 1], ...) As
/// Integer".
TAVIREL_API std::string Signature(const MemberInfo& member);

/// The id Automation callers see: the slot id, except that a property's put
/// shares its get's id, as Automation requires of a property's two sides.
TAVIREL_API std::int32_t DispatchId(const MemberInfo& member);

/// The event interface: FPError(ErrorLevel As Integer, ErrorCode As Long).
TAVIREL_API const MemberInfo& FPErrorEvent();

/// Invokes a member (one of Members(), or a copy of one). Arguments are converted to their
/// parameters' types (a Currency from "1.50", a Single from "5.5", a short from "12"); omitted
/// trailing optional arguments take their defaults. Throws DispatchError for
/// a wrong number of arguments and ConversionError for an argument that does
/// not convert (naming the member and the parameter), DispatchError for an
/// empty argument in a required place or a member the table does not have;
/// errors of the member itself pass through. Arguments are not checked
/// against their command fields: see ValidateArguments (validate.hpp).
TAVIREL_API Variant Invoke(TavirelControl& control, const MemberInfo& member,
                           std::vector<Variant> args);
/// By name: throws DispatchError for an unknown name (naming the closest
/// ones; a name longer than any member's is quoted only in part).
TAVIREL_API Variant Invoke(TavirelControl& control, std::string_view name, MemberKind kind,
                           std::vector<Variant> args);
/// By id: throws DispatchError for an id no member has.
TAVIREL_API Variant Invoke(TavirelControl& control, std::int32_t id, std::vector<Variant> args);

}  // namespace tavirel

namespace tavirel {

/// The length of an operation's command string when every argument fits its
/// field (85 for opReparto, 48 for opMsgVisoreCortesia); empty for a name
/// that is not an operation.
TAVIREL_API std::optional<std::size_t> NominalCommandLength(std::string_view operation);

}  // namespace tavirel
