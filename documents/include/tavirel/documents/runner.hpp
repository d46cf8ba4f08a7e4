#pragma once
// The runner: a document's operations in order on one TavirelControl, each
// step recorded in the journal before its request goes out and after its
// reply. The journal owns the document's life (journal.hpp); the runner
// makes the steps and tells the journal where they led.
//
// - A receipt starts only on a register with no receipt open (a subtotal
//   reading before its first line): one found open belongs to someone else
//   (a sale at the keyboard, a call) and is left as it is; the document
//   needs attention.
// - A refusal (EERR) before the first payment voids the receipt (opVoidTot);
//   a non-fiscal document is ended (opEndSNoFisc). The outcome names the step,
//   the printer's number and its text. After a payment a receipt cannot be
//   voided: a refusal then leaves it needing attention, with what was paid
//   and what is left, and the refused command is never sent again by itself.
// - Nothing sent because the register could not be reached (the port closed,
//   Clear To Send low): the document goes back to the queue.
// - A step whose effect is unknown (the request went out but no usable reply
//   came: a timeout, a bad checksum, a hang-up, a cancelled wait) is never
//   sent again. It is resolved with the subtotal, which has no fiscal effect
//   (the register answers it while a receipt is open and refuses it when
//   none is), compared with what the earlier replies added up to; then the
//   document goes on, or the open receipt is voided.
// - Reports and the fiscal closure are never repeated automatically.
// - A key the journal holds finished is answered from the journal
//   ("replayed"), without touching the register. A document left in flight
//   by a stopped process is resolved and finished when it is run again, on
//   the same register only.
// docs/documents.md gives the rules in full.
//
// Thread safety: a Runner and its control are used by one thread at a time;
// the journal may be shared with other runners.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tavirel/documents/document.hpp"
#include "tavirel/documents/journal.hpp"
#include "tavirel/documents/outcome.hpp"
#include "tavirel/documents/preflight.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::documents {

struct RunnerOptions {
  /// The journal's name for this register's queue ("" is a name too).
  std::string register_name;
  /// The per-operation check of preflight (DefaultArgumentCheck() when empty).
  ArgumentCheck check;
  /// How many times a reading made to resolve a step is tried before the
  /// document is left uncertain. Readings have no fiscal effect.
  int reading_attempts = 3;
  /// Called once for every request that went to the register, when it ended
  /// (its metrics); on the runner's thread.
  std::function<void(const StepRecord&)> on_step;
};

class Runner {
 public:
  /// A runner on `control`, whose port is open and whose currency mode is
  /// set, recording in `journal`. Both must outlive the runner.
  Runner(TavirelControl& control, Journal& journal, RunnerOptions options = {});

  /// The register's fiscal serial number, read once with opReadMatrFisc (the
  /// register the journal binds documents to); absent while it cannot be
  /// read. Errors of the call (the serial component) pass through.
  std::optional<std::int32_t> Serial();

  /// Runs one document to its outcome, whose status is the state the journal
  /// holds for it when this returns. Preflight problems give a failed outcome
  /// listing them, with nothing sent and nothing recorded. A key the journal
  /// answers (final, or needing attention) is answered from it ("replayed").
  /// Documents this register has left in flight are resolved first. A queued
  /// outcome means nothing went out (the register was out of reach) and the
  /// key waits in the journal. Throws KeyConflictError for a key the journal
  /// holds with other content, RegisterMismatchError for a key of another
  /// register or in flight on another register, JournalError when the
  /// journal fails.
  Outcome Run(const Document& document);

  /// Resolves and finishes the documents left in flight on this register by
  /// a stopped process (or left uncertain); their outcomes in journal order.
  std::vector<Outcome> ResolveInFlight();

 private:
  std::vector<Outcome> ResolveOthers(std::int32_t serial, const std::string& except);
  Outcome Resume(const Document& document, std::int32_t serial);

  TavirelControl& control_;
  Journal& journal_;
  RunnerOptions options_;
  std::optional<std::int32_t> serial_;
};

}  // namespace tavirel::documents
