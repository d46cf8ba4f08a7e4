#pragma once
// Checking a member's arguments against its command fields before anything
// is sent, for hosts that would rather refuse a malformed command than let
// the register judge it. The control itself sends what it is given.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/export.hpp"
#include "tavirel/variant.hpp"

namespace tavirel {

/// One argument that does not fit: which parameter, the value as given
/// (as text), and what is wrong with it in plain words ("is 25 characters,
/// and the text field holds 20: it would be cut to ...").
struct TAVIREL_API ArgumentProblem {
  std::string parameter;  ///< the parameter's name ("Prezzo")
  std::string value;      ///< the argument as given, as text
  std::string problem;    ///< what is wrong, naming the field's limit

  friend bool operator==(const ArgumentProblem&, const ArgumentProblem&) = default;
};

/// Every problem of `args` for the member `member` (a method, else a
/// property put), in parameter order; empty when all fit. Arguments are
/// bound as the dispatch interface binds them (texts convert, an empty
/// optional takes its default). Found: an argument that does not convert
/// or is missing; a negative number in a field without sign; a number
/// with more digits than its field (amounts judged in whole lire or euro
/// cents by `euro_settings`, the EuroSettings value; in a mode that is
/// neither, only their sign); a text longer than its field (it would be
/// cut); characters the line cannot carry (no Windows-1252 byte); a unit
/// of measure that is neither two characters nor a number up to 99.
/// Throws DispatchError for an unknown member or a wrong number of
/// arguments, as Invoke does. Sends nothing, touches no control; safe to
/// call from any thread.
TAVIREL_API std::vector<ArgumentProblem> ValidateArguments(std::string_view member,
                                                           const std::vector<Variant>& args,
                                                           std::int32_t euro_settings);

}  // namespace tavirel
