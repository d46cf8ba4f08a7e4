#pragma once
// A document's state and what became of it, as values and as JSON:
//
//   {"key": "pos2-000123", "status": "closed", "receipt_number": 42,
//    "document_number": null, "fiscal_number": null,
//    "date": "2026-12-07T10:30", "total": "5.67", "paid": "10.00", "change": "4.33",
//    "due": null, "adjustments": [{"where": "adjustments[0]", "member": "opSubTotPercMinus",
//    "amount": "-0.63"}], "payments": [{"where": "payments[0]", "member": "opContante",
//    "amount": "10.00"}], "holds_register": false, "failed_step": null, "settlement": null,
//    "steps": [{"member": "opReparto", "command": "1003...", "result": 0,
//               "result_name": "OP_OK"}, ...],
//    "replayed": false}
//
// A programming document's outcome also holds, after "payments":
//
//   "version": 7, "changes": [{"table": "departments", "number": 1,
//   "field": "description", "from": "REPARTO 01", "to": "PANE"}], "unchanged": 4,
//   "written": [{"table": "header", "number": 1, "field": "text", "from": null,
//   "to": "BAR DA MARIO"}]
//
// Amounts are decimal text in the currency of the control's mode ("5.67" in
// euro, "5670" in lire), converted once from the register's whole cents or
// lire. Values only: safe to copy between threads.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/documents/document.hpp"
#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {

/// Where a document is in its life. The journal holds one of these for every
/// key; journal.hpp draws the machine (every transition and the function that
/// makes it). Stored and written by name.
enum class Status {
  /// Recorded; nothing of it has been sent. It runs in its turn.
  Queued,
  /// Started on one register (its fiscal serial is bound to it): steps are
  /// going out, or a stopped process left one in flight.
  Running,
  /// A step's effect is not known and the register could not be read to
  /// tell (it was out of reach). The next run on the same register reads it
  /// and goes on; nothing is sent again before that reading.
  Uncertain,
  /// It cannot go on by itself: a refusal after a payment, a receipt already
  /// open on the register, a report whose reply was lost. Nothing is sent for
  /// it until an operator settles it; `holds_register` says whether its
  /// register must wait meanwhile.
  NeedsAttention,
  /// Printed whole: a receipt closed by its payments, a non-fiscal document
  /// ended, a report or reprint printed; a programming document applied
  /// whole and read back. Final.
  Closed,
  /// A receipt was opened and then voided on the register, or a non-fiscal
  /// document was ended early: `failed_step` says why. Final.
  Voided,
  /// Nothing fiscal happened: preflight problems, a refusal of the first
  /// operation, a programming step refused (what changed before it is in
  /// `changes`). Final, but the same document sent again under its key is
  /// queued anew.
  Failed,
  /// It carried an `expires_at` that passed before it started: nothing was
  /// sent (a store switched on after a weekend does not print Friday's
  /// orders). Final; sent again under its key it is answered as it is.
  Expired,
  /// Withdrawn while queued: nothing of it was sent. Final; `failed_step`
  /// says who cancelled it.
  Cancelled,
};

/// "queued", "running", "uncertain", "needs-attention", "closed", "voided",
/// "failed", "expired", "cancelled".
std::string_view StatusName(Status status);
/// The status of that name; empty for any other text.
std::optional<Status> StatusNamed(std::string_view name);
/// Closed, voided, failed, expired or cancelled: the journal answers the key with its outcome.
bool IsFinal(Status status);

/// How a request to the register ended, beside its result code.
enum class StepEnd {
  Answered,     // a result code came back for it (OP_OK, EERR, OP_ERR_TIMEOUT, ...)
  BadReply,     // a reply came that is not this request's, or does not read
  HangUp,       // the port failed under it (hung up, closed, unplugged)
  Cancelled,    // its wait was cancelled (the host is stopping)
  Interrupted,  // in flight when its process stopped; nothing came back
};

/// "answered", "bad-reply", "hang-up", "cancelled", "interrupted".
std::string_view StepEndName(StepEnd end);
/// The end of that name; empty for any other text.
std::optional<StepEnd> StepEndNamed(std::string_view name);

/// One request that went to the register (or was meant to).
struct StepRecord {
  std::string member;   // "opReparto", "opSubTot" (a reading made to resolve a step), ...
  std::string command;  // the command string as composed
  /// The result code, or absent when the call ended without one.
  std::optional<std::int16_t> result;
  StepEnd end = StepEnd::Interrupted;
  friend bool operator==(const StepRecord&, const StepRecord&) = default;
};

/// "OP_OK", "EERR", ... for an answered step; the end's name otherwise.
std::string StepResultName(const StepRecord& step);

/// An amount the register answered for one of the document's own steps.
struct AmountLine {
  std::string where;   // the document's field: "payments[1]", "adjustments[0]"
  std::string member;  // "opContante", "opSubTotPercMinus", ...
  std::string amount;  // decimal text; a discount is negative
  friend bool operator==(const AmountLine&, const AmountLine&) = default;
};

/// One field a programming document changed on the register (or, for the
/// header's text, wrote without a reading to tell what was there).
struct Change {
  std::string table;                   // "departments", "vat", ..., "clock"
  std::optional<std::int64_t> number;  // the entry's number; absent for the clock
  std::string field;                   // "description", "prices[0]", "date_time"
  /// What the register held, as a reading gave it; absent when no reading
  /// tells (the header's text). A secret code shows as "****".
  std::optional<std::string> from;
  std::string to;  // what it holds now
  friend bool operator==(const Change&, const Change&) = default;
};

/// What an operator decided for a document that needed attention.
struct Settlement {
  enum class Action {
    Retry,        // go on where it stopped (after the paper is refilled, say)
    PayRest,      // pay what is left with `payment`
    Void,         // void the receipt, where the register still allows it
    MarkSettled,  // settled by hand, outside the register: `settled_as` with the note
  };
  Action action = Action::Retry;
  std::optional<Payment> payment;      // PayRest: how (cash for the rest when absent)
  Status settled_as = Status::Closed;  // MarkSettled: closed, voided or failed
  std::string note;                    // the operator's words
  std::string by;                      // who decided ("console", a token's name, "cli")
  friend bool operator==(const Settlement&, const Settlement&) = default;
};

/// "retry", "pay-rest", "void", "mark-settled".
std::string_view SettlementActionName(Settlement::Action action);
/// The action of that name; empty for any other text.
std::optional<Settlement::Action> SettlementActionNamed(std::string_view name);

/// The step that decided a document's end when it did not close.
struct FailedStep {
  std::optional<std::size_t> index;  // into `steps`, when a step decided it
  std::string member;                // "" for preflight
  std::string where;                 // the document's field: "lines[2]", "payments[1]", ""
  std::optional<std::int16_t> result;
  std::string result_name;
  std::int32_t printer_error = 0;  // LastEERR after a refusal, 0 otherwise
  std::string printer_text;        // the printer's text for it ("SUPERA LIMITE")
  /// What kind of failure, for programs ("paper-out", "not-programmed",
  /// "sequence", "closure-due", "line", "receipt-open", "preflight", ...):
  /// tavirel::ErrorKind for the register's answers.
  std::string kind;
  std::string reason;             // one sentence for people
  std::vector<Problem> problems;  // preflight's
  friend bool operator==(const FailedStep&, const FailedStep&) = default;
};

struct Outcome {
  std::string key;
  Status status = Status::Failed;
  /// The fiscal receipt's number (closed or voided receipt); absent when
  /// unknown, and for other documents.
  std::optional<std::int32_t> receipt_number;
  /// A non-fiscal document's or report's number (the register's non-fiscal
  /// count), when its reply gave one.
  std::optional<std::int32_t> document_number;
  /// A fiscal document's number other than a receipt's: the fiscal closure,
  /// the fiscal memory report, the daily financial Z report.
  std::optional<std::int32_t> fiscal_number;
  std::optional<std::string> date;      // "YYYY-MM-DDTHH:MM", the register's
  std::optional<std::string> total;     // what the receipt came to, by the register's replies
  std::optional<std::string> paid;      // the payments the register took
  std::optional<std::string> change;    // given back
  std::optional<std::string> due;       // still to pay on a receipt left open
  std::vector<AmountLine> adjustments;  // each discount or surcharge, as the register made it
  std::vector<AmountLine> payments;     // each payment the register took
  // Programming (present in its outcomes only)
  std::optional<std::int64_t> version;  // the document's version
  std::vector<Change> changes;          // each field that differed and was programmed
  /// The entries (and the clock) that already held what the document gives;
  /// present for a programming document once it ran.
  std::optional<std::int64_t> unchanged;
  std::vector<Change> written;  // header lines: written every time, having no reading
  /// Needs attention with the document still open on its register (a receipt
  /// in its payment phase, a receipt of someone else's found open): the
  /// register's other documents wait until it is settled.
  bool holds_register = false;
  std::optional<FailedStep> failed_step;
  /// How an operator settled it, once one did.
  std::optional<Settlement> settlement;
  std::vector<StepRecord> steps;
  bool replayed = false;  // read from the journal: the register was not touched
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

/// One line of JSON, fields in the order above.
std::string ToJson(const Outcome& outcome);
/// Reads what ToJson wrote ("steps" may be left out: none). Throws
/// DocumentError when it is not an outcome.
Outcome ParseOutcome(std::string_view json);

}  // namespace tavirel::documents
