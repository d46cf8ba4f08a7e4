// Non-fiscal documents (begun, printed line by line, ended; ended early on
// a refusal) and reports (sent once, never repeated).
#include "document_run.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::documents {
namespace {

constexpr std::int32_t kSequenceError = 11;

}  // namespace

Outcome DocumentRun::RunNonFiscal() {
  resumed_after_paper_ = false;  // the loop below takes up where the paper stopped it
  if (ledger_.pending == Action::End) return ResolveEnd();
  if (ledger_.pending == Action::Step) {
    // A begin or a line left in flight: ending the document settles both.
    return EndEarly(Failure(plan_[ledger_.pending_step].where, "its reply was lost"));
  }
  if (ledger_.stalled) return EndEarly(ledger_.outcome.failed_step.value_or(Failure("", "")));
  while (ledger_.next < plan_.size()) {
    const PlannedStep& step = plan_[ledger_.next];
    ledger_.pending = step.kind == StepKind::End ? Action::End : Action::Step;
    ledger_.pending_step = ledger_.next;
    const Reply reply = SendStep(step);
    if (reply == Reply::Ok) {
      ledger_.pending = Action::None;
      ledger_.open = step.kind != StepKind::End;
      ++ledger_.next;
      continue;
    }
    // Out of paper: the step goes out again once the paper is back.
    if (reply == Reply::Refused && RefusedForPaper()) return PaperStop(step.where);
    if (step.kind == StepKind::End) {
      if (reply == Reply::Unknown) return ResolveEnd();
      ledger_.pending = Action::None;
      if (reply == Reply::NotSent) {
        ledger_.outcome.failed_step = Failure(step.where, "the end of the document was not sent");
        return Stall(
            "the document is still open on the register; it is ended when the register "
            "is back");
      }
      ledger_.outcome.failed_step = Failure(step.where, "the end of the document was refused");
      return Attention("the document may still be open on the register", true);
    }
    const bool nothing_open = step.kind == StepKind::Begin && reply != Reply::Unknown;
    FailedStep why = Failure(step.where, reply == Reply::Unknown   ? "its reply was lost"
                                         : reply == Reply::Refused ? "the register refused it"
                                                                   : "it could not be sent");
    if (nothing_open) {
      ledger_.pending = Action::None;
      ledger_.outcome.failed_step = why;
      if (reply == Reply::NotSent) {
        return Finish(Status::Queued, "nothing was sent: the register was out of reach");
      }
      return Finish(Status::Failed, "nothing was printed");
    }
    return EndEarly(std::move(why));
  }
  return Finish(Status::Closed);
}

// Ends the document after a refusal or a lost reply: the document is
// reported voided (ended early), or failed when the end shows that nothing
// had been begun.
Outcome DocumentRun::EndEarly(FailedStep why) {
  ledger_.outcome.failed_step = std::move(why);
  const bool begin_unknown = plan_[ledger_.pending_step].kind == StepKind::Begin && !ledger_.open;
  ledger_.pending = Action::End;
  ledger_.pending_record = ledger_.outcome.steps.size();
  const Reply reply = Send("opEndSNoFisc", {Operator()});
  if (reply == Reply::Ok) {
    ledger_.pending = Action::None;
    ledger_.open = false;
    return Finish(Status::Voided, "the document was ended early");
  }
  if (reply == Reply::Refused && RefusedForPaper()) return PaperStop("");
  if (reply == Reply::Refused && control_.LastEERR() == kSequenceError && begin_unknown) {
    ledger_.pending = Action::None;
    return Finish(Status::Failed, "nothing was printed");
  }
  ledger_.pending = Action::None;
  if (reply == Reply::Refused) {
    return Attention("the document could not be ended: it may still be open on the register", true);
  }
  return Stall("the document could not be ended yet: it may still be open on the register");
}

// The end's reply was lost. No reading tells whether a non-fiscal document
// is open, so the end goes out once more: a second end is refused when the
// first took effect, and ends the document when it did not, so it can print
// nothing twice.
Outcome DocumentRun::ResolveEnd() {
  if (ledger_.end_repeated) {
    ledger_.pending = Action::None;
    return Attention("the end of the document was sent twice without a usable reply", true);
  }
  ledger_.end_repeated = true;
  ledger_.pending_record = ledger_.outcome.steps.size();
  const Reply reply = Send("opEndSNoFisc", {Operator()});
  const bool ended =
      reply == Reply::Ok || (reply == Reply::Refused && control_.LastEERR() == kSequenceError);
  if (!ended) {
    ledger_.pending = Action::None;
    return Attention("the end of the document was sent twice without a usable reply", true);
  }
  ledger_.pending = Action::None;
  ledger_.open = false;
  if (ledger_.next + 1 >= plan_.size()) return Finish(Status::Closed);
  return Finish(Status::Voided, "the document was ended early");
}

Outcome DocumentRun::RunReport() {
  const PlannedStep& step = plan_.front();
  constexpr const char* kLost =
      "its reply was lost; reports are never repeated automatically: see the register's paper";
  if (ledger_.pending == Action::Step) {
    ledger_.outcome.failed_step = Failure(step.where, kLost);
    return Attention("", false);
  }
  ledger_.pending = Action::Step;
  ledger_.pending_step = 0;
  const Reply reply = SendStep(step);
  ledger_.pending = Action::None;
  if (reply == Reply::Ok) {
    // Each report gives the numbers its reply holds: a fiscal document's, a
    // non-fiscal document's, or both (the daily financial Z report).
    const bool fiscal = step.member == "opZChiusuraFisc" || step.member == "opZFiscMem";
    if (fiscal || step.member == "opZTotFinGior")
      ledger_.outcome.fiscal_number = control_.LastNumSF();
    if (!fiscal) ledger_.outcome.document_number = control_.LastNumSNF();
    ledger_.outcome.date = control_.LastDate().ToIsoString().substr(0, 16);
    return Finish(Status::Closed);
  }
  if (reply == Reply::Refused && RefusedForPaper()) return PaperStop(step.where);
  if (reply == Reply::Unknown) {
    ledger_.outcome.failed_step = Failure(step.where, kLost);
    return Attention("", false);
  }
  ledger_.outcome.failed_step = Failure(
      step.where, reply == Reply::Refused ? "the register refused it" : "it could not be sent");
  if (reply == Reply::NotSent) {
    return Finish(Status::Queued, "nothing was sent: the register was out of reach");
  }
  return Finish(Status::Failed, "nothing was printed");
}

}  // namespace tavirel::documents
