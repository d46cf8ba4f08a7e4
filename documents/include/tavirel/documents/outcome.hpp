#pragma once
// What became of a document, as a value and as JSON:
//
//   {"key": "pos2-000123", "status": "closed", "receipt_number": 42,
//    "date": "2026-12-07T10:30", "total": "5.67", "paid": "10.00", "change": "4.33",
//    "failed_step": null,
//    "steps": [{"member": "opReparto", "command": "1003...", "result": 0,
//               "result_name": "OP_OK"}, ...],
//    "replayed": false}
//
// Amounts are decimal text in the currency of the control's mode ("5.67" in
// euro, "5670" in lire), converted once from the register's whole cents or
// lire. Values only: safe to copy between threads.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {

enum class Status {
  /// The document was printed whole: a receipt closed by its payments, a
  /// non-fiscal document ended, a report printed.
  Closed,
  /// A receipt was opened and then voided on the register, or a non-fiscal
  /// document was ended early: `failed_step` says why.
  Voided,
  /// Nothing fiscal happened: preflight problems, the port, a refusal of the
  /// first operation. Running the same document again tries it again.
  Failed,
  /// The register could not be reached, or could not be brought to an end,
  /// to settle what a step did: running the same document again resolves
  /// it. For a report whose reply was lost this is final: reports are never
  /// repeated automatically.
  Uncertain,
};

/// "closed", "voided", "failed", "uncertain".
std::string_view StatusName(Status status);

/// One request that went to the register (or was meant to).
struct StepRecord {
  std::string member;   // "opReparto", "opSubTot" (a reading made to resolve a step), ...
  std::string command;  // the command string as composed
  /// The result code, or absent when the call ended without one (the line
  /// hung up, the wait was cancelled, the host was stopped).
  std::optional<std::int16_t> result;
  /// "OP_OK", "EERR", "OP_ERR_TIMEOUT", ... or what ended the call: "hang-up",
  /// "cancelled", "bad-reply", "interrupted" (left in flight by a stopped host).
  std::string result_name;
  friend bool operator==(const StepRecord&, const StepRecord&) = default;
};

/// The step that decided a document's end when it did not close.
struct FailedStep {
  std::optional<std::size_t> index;  // into `steps`, when a step decided it
  std::string member;                // "" for preflight
  std::string where;                 // the document's field: "lines[2]", "payments[1]", ""
  std::optional<std::int16_t> result;
  std::string result_name;
  std::int32_t printer_error = 0;  // LastEERR after a refusal, 0 otherwise
  std::string printer_text;        // the printer's text for it ("SUPERA LIMITE")
  std::string reason;              // one sentence for people
  std::vector<Problem> problems;   // preflight's
  friend bool operator==(const FailedStep&, const FailedStep&) = default;
};

struct Outcome {
  std::string key;
  Status status = Status::Failed;
  /// The fiscal receipt's number (closed or voided receipt), or the number of
  /// the non-fiscal document or report; absent when unknown.
  std::optional<std::int32_t> receipt_number;
  std::optional<std::string> date;    // "YYYY-MM-DDTHH:MM", the register's
  std::optional<std::string> total;   // what the receipt came to
  std::optional<std::string> paid;    // the payments
  std::optional<std::string> change;  // given back
  std::optional<FailedStep> failed_step;
  std::vector<StepRecord> steps;
  bool replayed = false;  // read from the journal: the register was not touched
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

/// One line of JSON, fields in the order above.
std::string ToJson(const Outcome& outcome);
/// Reads what ToJson wrote. Throws DocumentError when it is not an outcome.
Outcome ParseOutcome(std::string_view json);

}  // namespace tavirel::documents
