#pragma once
// What one OP did: for an operation its result code, command string, FPError
// events and the whole result record; for any other member its value.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tavirel/dispatch.hpp"
#include "tavirel/variant.hpp"

namespace tavirel::cli {

struct FpEvent {
  std::int16_t level = 0;
  std::int32_t code = 0;
  friend bool operator==(const FpEvent&, const FpEvent&) = default;
};

struct OpOutcome {
  std::string member;
  MemberKind kind = MemberKind::Method;
  bool operation = false;  // an op... member: it returned a result code
  std::int16_t result = 0;
  std::string command;                        // CurrentCommand as the operation composed it
  std::optional<std::size_t> nominal_length;  // of the operation's layout
  std::vector<FpEvent> events;                // raised during this OP, in order
  std::vector<Variant> last;                  // the 56 result properties, in interface order
  std::string description;                    // the Italian text of a failure
  Variant value;                              // any other member's result (empty for none)
};

/// "warning: ..." when the command string is longer or shorter than its
/// layout (an argument wider than its field); empty otherwise.
std::optional<std::string> LengthWarning(const OpOutcome& outcome);

}  // namespace tavirel::cli
