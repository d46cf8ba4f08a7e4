#pragma once
// What the replies so far add up to, for one document: the runner's state,
// written to the journal with every step so that a run stopped anywhere can
// be resolved by the next one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tavirel/documents/outcome.hpp"

namespace tavirel::documents {

/// The action whose request is (or was last) out, when its reply is missing.
enum class Action { None, Step, Void, End };

struct Ledger {
  std::size_t next = 0;        // the next planned step to send
  bool open = false;           // the document is open on the register
  bool payment_phase = false;  // a payment left a remainder
  std::int64_t total = 0;      // the receipt's total, in the register's units
  std::int64_t paid = 0;
  Action pending = Action::None;   // in flight, or being resolved
  std::size_t pending_step = 0;    // the planned step, when pending is Step
  std::size_t pending_record = 0;  // its request in the outcome's steps
  bool end_repeated = false;       // the non-fiscal end went out a second time
  bool stalled = false;            // left open after a refusal: settle it on the next run
  bool paper_out = false;          // stopped for paper: the restart command goes first
  bool void_due = false;           // the receipt is to be voided (a void was sent or refused)
  /// The outcome so far: the failed step that started a void, a number.
  Outcome outcome;
};

std::string ToJson(const Ledger& ledger);
/// Reads what ToJson wrote; a fresh ledger for "".
Ledger ParseLedger(std::string_view json);

}  // namespace tavirel::documents
