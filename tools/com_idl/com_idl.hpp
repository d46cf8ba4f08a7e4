#pragma once
// The COM face of the dispatch table: the interface definition (for widl)
// and the dual interface's vtable methods, each forwarding to the one
// dispatch path. Both are written from Members() and FPErrorEvent() alone,
// so the type library can never list a member the table does not have.
#include <string>
#include <string_view>

#include "tavirel/dispatch.hpp"

namespace tavirel::comidl {

/// The fixed identities of the type library, the interfaces and the class.
inline constexpr std::string_view kLibId = "10EA168D-7048-4B3D-95ED-B6BF582C225A";
inline constexpr std::string_view kInterfaceId = "A8324C66-0D80-4F8F-BEC2-A82CA35F1FF2";
inline constexpr std::string_view kEventsId = "91A56421-7B7E-4BF2-B074-FD43A9E28EF2";
inline constexpr std::string_view kClassId = "E68B9D2F-4F31-4F86-89DB-96BB13DE3C2C";

/// com/tavirel.idl.
std::string InterfaceDefinition();
/// com/tavirel_vtable.inc: one method per vtable slot.
std::string VtableMethods();

/// The lines that open and close docs/com.md's generated table of members.
inline constexpr std::string_view kTableBegin = "<!-- members: written by tavirel-com-idl -->";
inline constexpr std::string_view kTableEnd = "<!-- end of members -->";
/// The table of every member: dispatch id, kind, signature with the
/// Automation types, optional parameters and defaults; and the event.
std::string MemberTable();
/// `page` with the text between its table markers replaced by MemberTable();
/// throws std::runtime_error when the markers are missing.
std::string WithMemberTable(const std::string& page);

}  // namespace tavirel::comidl
