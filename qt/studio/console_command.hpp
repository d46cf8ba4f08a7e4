#pragma once
// What the studio's console does with one line: invoke a member of the
// control by name through its dispatch interface, with the words after the
// name as arguments, and describe the outcome in lines of text.
//
//   opReparto 1 "Penna blu" 1.50 2    a method with its arguments
//   EuroSettings                       a property read
//   EuroSettings 2                     a property write
//   ? opReparto                        the member's signature; "?" alone lists the names
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/dispatch.hpp"
#include "tavirel/variant.hpp"

namespace tavirel {
class TavirelControl;
}

namespace tavirel::studio {

/// A method of that name when there is one; otherwise a property read
/// without arguments and a property write with them.
MemberKind ChooseKind(std::string_view name, std::size_t argument_count);

/// Runs the line and returns what to show: "= <result>" (with the result
/// code's name for an operation), then for a method "  <name> = <value>" for
/// every result property that differs from its default; "errore: <message>"
/// when the call fails. Events raised during the call reach the host's hooks.
std::vector<std::string> RunConsoleLine(TavirelControl& control, std::string_view line);

/// The result properties that differ from their defaults.
std::vector<std::string> ResultValueLines(const TavirelControl& control);

/// "FPError ErrorLevel=<l> ErrorCode=<c>: <Italian text>".
std::string DescribeFPError(const TavirelControl& control, std::int16_t level, std::int32_t code);

/// A value as the console shows it: texts quoted, anything else as text.
std::string ShowValue(const Variant& value);

}  // namespace tavirel::studio
