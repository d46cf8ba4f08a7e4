#pragma once
// What one OP did, and running an OP on a control to find out.
//
// Thread safety: RunOp uses the control, which belongs to one thread at a
// time (see TavirelControl); OpOutcome is a plain value.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tavirel/dispatch.hpp"
#include "tavirel/tavirel_control.hpp"
#include "tavirel/variant.hpp"

namespace tavirel::json_ops {

/// One FPError event: its ErrorLevel and ErrorCode as the handler saw them.
struct FpEvent {
  std::int16_t level = 0;
  std::int32_t code = 0;
  friend bool operator==(const FpEvent&, const FpEvent&) = default;
};

/// For an operation (an op... member): its result code, command string,
/// FPError events and the whole result record. For any other member: its
/// value.
struct OpOutcome {
  /// The member's name as the interface spells it.
  std::string member;
  MemberKind kind = MemberKind::Method;
  /// True for an op... member: it returned a result code.
  bool operation = false;
  /// The result code (enumTVL_OP_RETVALUE).
  std::int16_t result = 0;
  /// CurrentCommand as the operation composed it (UTF-8).
  std::string command;
  /// The length of the operation's command string when every argument fits
  /// its field.
  std::optional<std::size_t> nominal_length;
  /// FPError events raised during this OP, in order.
  std::vector<FpEvent> events;
  /// The 56 result properties after the operation, in interface order.
  std::vector<Variant> last;
  /// GetLastErrorDescription for a result other than OP_OK (with LastEERR
  /// for EERR); "" for OP_OK or a pair without text.
  std::string description;
  /// Any other member's result: a property's value (as it reads after a
  /// set), a method's result, empty for none.
  Variant value;
};

/// Runs `member` with `args` on `control`. While it runs, the control's
/// fp_error hook is wrapped so the events are collected into the outcome
/// (the host's own handler still sees each one, first); the hooks are as
/// before when it returns. Errors of the call (a wrong argument count, an
/// argument that does not convert, the port failing, a cancelled wait) pass
/// through.
OpOutcome RunOp(TavirelControl& control, const MemberInfo& member, std::vector<Variant> args);

/// The 56 result properties of `control` in interface order, read through
/// their getters (no lookup by name).
std::vector<Variant> ReadResultProperties(const TavirelControl& control);

}  // namespace tavirel::json_ops
