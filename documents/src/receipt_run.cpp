// A receipt: its lines, adjustments and payments in order; a refusal voids
// it; a step whose reply was lost is judged by the subtotal and never sent
// again.
#include <algorithm>

#include "document_run.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::documents {
namespace {

bool Closes(std::int16_t reply_code) {
  return reply_code == OP_CODE_CONT_REST || reply_code == OP_CODE_ASSEG_REST ||
         reply_code == OP_CODE_TICKET_REST;
}

FailedStep Reason(std::string where, std::string reason) {
  FailedStep f;
  f.where = std::move(where);
  f.reason = std::move(reason);
  return f;
}

std::string DateText(const TavirelControl& c) { return c.LastDate().ToIsoString().substr(0, 16); }

}  // namespace

Outcome DocumentRun::RunReceipt() {
  if (ledger_.pending == Action::Void) return ResolveVoid();
  if (ledger_.pending == Action::Step) {
    if (auto end = Resolve(plan_[ledger_.pending_step])) return *end;
  } else if (ledger_.stalled) {
    return Settle();
  }
  return Continue();
}

Outcome DocumentRun::Continue() {
  while (ledger_.next < plan_.size()) {
    const PlannedStep& step = plan_[ledger_.next];
    if (step.kind == StepKind::Payment && !ledger_.payment_phase) {
      if (auto end = CheckPaymentsCover()) return *end;
    }
    ledger_.pending = Action::Step;
    ledger_.pending_step = ledger_.next;
    const Reply reply = SendStep(step);
    std::optional<Outcome> end;
    if (reply == Reply::Ok) {
      end = Apply(step);
    } else if (reply == Reply::Unknown) {
      end = Resolve(step);
    } else {
      end = AfterRefusal(step, reply);
    }
    if (end) return *end;
  }
  return Stall("the payments left " + Money(ledger_.total - ledger_.paid) +
               " to pay: the receipt is open in its payment phase");
}

std::optional<Outcome> DocumentRun::Apply(const PlannedStep& step) {
  const TavirelControl& c = control_;
  ledger_.pending = Action::None;
  ++ledger_.next;
  switch (step.kind) {
    case StepKind::Line:
      ledger_.open = true;
      ledger_.total += step.effect.direction * Units(c.LastImp());
      break;
    case StepKind::Adjustment: ledger_.total = Units(c.LastSubT()); break;
    case StepKind::Payment: {
      ledger_.paid += Units(c.LastImp());
      if (step.member == "opCredCC" || Closes(c.LastOPCode())) {
        Outcome& o = ledger_.outcome;
        o.receipt_number = c.LastNumSF();
        o.date = DateText(c);
        o.change = Money(step.member == "opCredCC" ? 0 : Units(c.LastRest()));
        ledger_.open = false;
        return Finish(Status::Closed);
      }
      ledger_.payment_phase = true;
      break;
    }
    default: break;
  }
  return std::nullopt;
}

std::optional<Outcome> DocumentRun::AfterRefusal(const PlannedStep& step, Reply reply) {
  FailedStep why = Failure(
      step.where, reply == Reply::Refused ? "the register refused it" : "it could not be sent");
  ledger_.pending = Action::None;
  if (!ledger_.open) {
    ledger_.outcome.failed_step = why;
    return Finish(Status::Failed, "nothing was printed");
  }
  if (ledger_.payment_phase) {
    ledger_.outcome.failed_step = why;
    return Stall("the receipt stays open with " + Money(ledger_.total - ledger_.paid) +
                 " to pay, and the register takes only payments now");
  }
  return Void(std::move(why));
}

// ---- Steps whose reply was lost -------------------------------------------

Reading DocumentRun::Before() const {
  if (!ledger_.open) return {Reading::None, 0};
  if (ledger_.payment_phase) return {Reading::Payment, ledger_.total - ledger_.paid};
  return {Reading::Open, ledger_.total};
}

// What the subtotal reads if the step was carried out, when it can be known
// exactly; lines of unknown amount and percentages are judged by direction.
std::optional<Reading> DocumentRun::After(const PlannedStep& step) const {
  const Reading before = Before();
  const std::int64_t due = ledger_.total - ledger_.paid;
  switch (step.kind) {
    case StepKind::Line:
    case StepKind::Adjustment:
      if (!step.effect.exact) return std::nullopt;
      return Reading{Reading::Open, ledger_.total + *step.effect.exact};
    case StepKind::Text: return before;
    case StepKind::Payment:
      if (step.member == "opCredCC" || !step.amount || *step.amount >= due) {
        return Reading{Reading::None, 0};
      }
      return Reading{Reading::Payment, due - *step.amount};
    default: return std::nullopt;
  }
}

bool DocumentRun::Matches(const PlannedStep& step, const Reading& reading) const {
  if (const auto after = After(step)) return *after == reading;
  const Reading before = Before();
  const bool open_before = before.kind == Reading::Open || before.kind == Reading::None;
  if (reading.kind != Reading::Open || !open_before) return false;
  const std::int64_t start = before.kind == Reading::Open ? before.amount : 0;
  return step.effect.direction > 0 ? reading.amount > start : reading.amount < start;
}

std::optional<Outcome> DocumentRun::Resolve(const PlannedStep& step) {
  const Reading reading = ReadSubtotal();
  if (reading.kind == Reading::Unclear) {
    ledger_.outcome.failed_step = Failure(step.where, "its reply was lost");
    return Stall("the register did not answer the readings that tell whether " + step.where +
                 " was carried out");
  }
  const bool carried_out = Matches(step, reading) && !(reading == Before());
  if (carried_out) return ApplyReading(step, reading);
  const bool not_carried_out = reading == Before() && !Matches(step, reading);
  FailedStep why = Failure(
      step.where, not_carried_out ? "its reply was lost and the register did not carry it out"
                                  : "its reply was lost and the readings cannot tell whether "
                                    "the register carried it out");
  ledger_.pending = Action::None;
  ledger_.outcome.failed_step = why;
  switch (reading.kind) {
    case Reading::Open: ledger_.open = true; return Void(std::move(why));
    case Reading::Payment:
      return Stall("the receipt stays open with " + Money(reading.amount) +
                   " to pay, and the register takes only payments now");
    case Reading::None:
      if (!ledger_.open) return Finish(Status::Failed, "nothing was printed");
      return Stall(
          "the receipt is no longer open on the register, but none of this document's "
          "steps closed it");
    case Reading::Unclear: break;
  }
  return Stall("unclear reading");
}

std::optional<Outcome> DocumentRun::ApplyReading(const PlannedStep& step, const Reading& reading) {
  ledger_.pending = Action::None;
  ++ledger_.next;
  const std::int64_t due = ledger_.total - ledger_.paid;
  switch (reading.kind) {
    case Reading::Open:
      ledger_.open = true;
      ledger_.total = reading.amount;
      return std::nullopt;
    case Reading::Payment:
      ledger_.paid = ledger_.total - reading.amount;
      ledger_.payment_phase = true;
      return std::nullopt;
    default: break;
  }
  // The payment closed the receipt; its number and date were in the lost reply.
  const std::int64_t amount = step.amount.value_or(due);
  ledger_.paid += amount;
  ledger_.outcome.change = Money(std::max<std::int64_t>(0, amount - due));
  ledger_.open = false;
  return Finish(Status::Closed);
}

// ---- Ending a receipt that cannot close -------------------------------------

std::optional<Outcome> DocumentRun::CheckPaymentsCover() {
  std::int64_t paid = 0;
  for (std::size_t i = ledger_.next; i < plan_.size(); ++i) {
    const PlannedStep& p = plan_[i];
    if (!p.amount || p.member == "opCredCC") return std::nullopt;
    paid += *p.amount;
    if (paid >= ledger_.total && i + 1 < plan_.size()) {
      return Void(Reason(p.where, "the receipt came to " + Money(ledger_.total) + ": " + p.where +
                                      " would close it before the last payment"));
    }
  }
  if (paid >= ledger_.total) return std::nullopt;
  return Void(Reason("payments", "the receipt came to " + Money(ledger_.total) +
                                     " and the payments to " + Money(paid)));
}

Outcome DocumentRun::Void(FailedStep why) {
  ledger_.outcome.failed_step = std::move(why);
  ledger_.pending = Action::Void;
  ledger_.pending_record = ledger_.outcome.steps.size();
  const Reply reply = Send("opVoidTot", {Operator()});
  if (reply == Reply::Ok) {
    ledger_.pending = Action::None;
    ledger_.open = false;
    ledger_.outcome.receipt_number = control_.LastNumSF();
    ledger_.outcome.date = DateText(control_);
    return Finish(Status::Voided);
  }
  if (reply == Reply::Unknown) return ResolveVoid();
  ledger_.pending = Action::None;
  return Stall("the void of the receipt was " +
               std::string(reply == Reply::Refused ? "refused" : "not sent") +
               ": the receipt is still open");
}

Outcome DocumentRun::ResolveVoid() {
  const Reading reading = ReadSubtotal();
  if (reading.kind == Reading::None) {
    ledger_.pending = Action::None;
    ledger_.open = false;
    return Finish(Status::Voided);
  }
  if (reading.kind == Reading::Unclear) {
    return Stall(
        "the register did not answer the readings that tell whether the void was carried out");
  }
  ledger_.pending = Action::None;
  return Stall("the void's reply was lost and the receipt is still open");
}

// A receipt left open by an earlier run (a refused void, a paper end, a
// payment refused or lost in the payment phase): void it if it is still open
// in its sale phase; go on with the payments if the remainder is unchanged.
Outcome DocumentRun::Settle() {
  ledger_.stalled = false;
  const Reading reading = ReadSubtotal();
  switch (reading.kind) {
    case Reading::Open:
      ledger_.total = reading.amount;
      return Void(ledger_.outcome.failed_step.value_or(Failure("", "")));
    case Reading::Payment:
      // Unchanged since the payment that was refused or lost: it was not
      // carried out, and only a payment can end the receipt now.
      if (ledger_.payment_phase && reading.amount == ledger_.total - ledger_.paid) {
        return Continue();
      }
      return Stall("the receipt stays open with " + Money(reading.amount) + " to pay");
    case Reading::None:
      if (ledger_.payment_phase) {
        ledger_.open = false;
        return Finish(Status::Closed,
                      "the receipt was paid on the register; its number is not known");
      }
      return Finish(Status::Uncertain, "the receipt was ended on the register by other means");
    case Reading::Unclear: break;
  }
  return Stall("the register did not answer the readings");
}

}  // namespace tavirel::documents
