// A receipt: a register with no receipt open, then its lines, adjustments
// and payments in order; a refusal before the first payment voids it, one
// after it leaves it needing attention; a step whose reply was lost is judged
// by the subtotal and never sent again.
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
  if (resumed_after_paper_) return ResumeAfterPaper();
  if (ledger_.pending == Action::Void) return ResolveVoid();
  if (ledger_.pending == Action::Step) {
    if (auto end = Resolve(plan_[ledger_.pending_step])) return *end;
  } else if (!ledger_.open && ledger_.next == 0) {
    // Nothing of its own went out yet (new, or stopped before its first line).
    if (auto end = CheckNoReceiptOpen()) return *end;
  } else if (ledger_.stalled) {
    return Settle();
  }
  return Continue();
}

// A receipt open before this one's first line is someone else's (a sale at
// the keyboard, a member call): lines sent now would join it. It is left as
// it is, neither paid nor voided.
std::optional<Outcome> DocumentRun::CheckNoReceiptOpen() {
  const Reading reading = ReadSubtotal();
  switch (reading.kind) {
    case Reading::None: return std::nullopt;
    case Reading::Unclear:
      // Out of paper before anything of this document went out: it waits
      // for the refill as a document stopped by the paper does, rather than
      // as one whose register is out of reach.
      if (reading.paper_out) {
        ledger_.pending_record = ledger_.outcome.steps.size() - 1;  // the refusal, to name it
        return PaperStop("");
      }
      ledger_.outcome.failed_step = Reason(
          "", "the register did not answer the reading that tells whether a receipt is open");
      return Finish(Status::Queued, "nothing was sent");
    case Reading::Open:
      ledger_.outcome.failed_step =
          Reason("",
                 "a receipt this document did not open is open on the register (its "
                 "subtotal is " +
                     Money(reading.amount) + ")");
      break;
    case Reading::Payment:
      ledger_.outcome.failed_step =
          Reason("",
                 "a receipt this document did not open is open on the register, in its "
                 "payment phase with " +
                     Money(reading.amount) + " to pay");
      break;
  }
  ledger_.outcome.failed_step->kind = "receipt-open";
  return Attention(
      "nothing of this document was sent; the open receipt is left as it is (it may be a sale in "
      "progress at the keyboard): close or void it on the register, then settle this document",
      true);
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
  return LeftToPay(ledger_.total - ledger_.paid,
                   "the payments left the receipt open in its payment phase");
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
    case StepKind::Adjustment: {
      const std::int64_t after = Units(c.LastSubT());
      ledger_.outcome.adjustments.push_back(
          {step.where, step.member, Money(after - ledger_.total)});
      ledger_.total = after;
      break;
    }
    case StepKind::Payment: {
      ledger_.paid += Units(c.LastImp());
      ledger_.outcome.payments.push_back({step.where, step.member, Money(Units(c.LastImp()))});
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
  const bool refused = reply == Reply::Refused;
  // Out of paper: nothing is wrong with the step; it goes out again once the paper is back.
  if (refused && RefusedForPaper()) return PaperStop(step.where);
  FailedStep why =
      Failure(step.where, refused ? "the register refused it" : "it could not be sent");
  ledger_.pending = Action::None;
  if (!ledger_.open) {
    ledger_.outcome.failed_step = why;
    if (!refused) return Finish(Status::Queued, "nothing was sent: the register was out of reach");
    return Finish(Status::Failed, "nothing was printed");
  }
  if (ledger_.payment_phase) {
    ledger_.outcome.failed_step = why;
    // Never sent again by itself: a refusal stands until an operator acts.
    if (refused) return LeftToPay(ledger_.total - ledger_.paid, "");
    return Stall("the receipt stays open with " + Money(ledger_.total - ledger_.paid) +
                 " to pay; the payment goes out when the register is back");
  }
  return Void(std::move(why));
}

// A receipt that a payment has opened cannot be voided: only a payment, or an
// operator, can end it.
Outcome DocumentRun::LeftToPay(std::int64_t due, std::string reason) {
  ledger_.outcome.due = Money(due);
  std::string text = "the receipt stays open with " + Money(due) + " to pay (paid " +
                     Money(ledger_.paid) + " of " + Money(ledger_.total) +
                     "), and the register takes only payments now";
  if (!reason.empty()) text = reason + ": " + text;
  return Attention(text, true);
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
      // Unchanged: the payment was not carried out and may go out again on
      // the next run, after a reading shows the same remainder.
      if (not_carried_out) {
        return Stall("the receipt stays open with " + Money(reading.amount) + " to pay");
      }
      ledger_.outcome.failed_step = why;
      return LeftToPay(reading.amount, "");
    case Reading::None:
      if (!ledger_.open) return Finish(Status::Failed, "nothing was printed");
      return Attention(
          "the receipt is no longer open on the register, but none of this document's steps "
          "closed it",
          false);
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

// ---- After the paper came back, and an operator's decisions ----------------

// The restart command went out: the receipt goes on from the step that was
// refused, if the register still holds it as this document left it.
Outcome DocumentRun::ResumeAfterPaper() {
  resumed_after_paper_ = false;
  if (ledger_.void_due) return Void(ledger_.outcome.failed_step.value_or(Failure("", "")));
  if (!ledger_.open && ledger_.next == 0) {
    if (auto end = CheckNoReceiptOpen()) return *end;
    return Continue();
  }
  const Reading reading = ReadSubtotal();
  if (reading == Before()) return Continue();
  if (reading.kind == Reading::Unclear) {
    return Stall("the register did not answer the readings after the paper came back");
  }
  return Attention("the receipt changed on the register while it waited for the paper", true);
}

Outcome DocumentRun::CarryOut(const Settlement& settlement) {
  if (settlement.action == Settlement::Action::PayRest) return PayRest(settlement);
  const Reading reading = ReadSubtotal();
  switch (reading.kind) {
    case Reading::Open:
      ledger_.total = reading.amount;
      return Void(FailedStep{
          std::nullopt, "", "", std::nullopt, "", 0, "", "", "voided by the operator", {}});
    case Reading::Payment:
      return Attention(
          "the register takes only payments now: the receipt cannot be voided; pay the rest or "
          "settle it by hand",
          true);
    case Reading::None:
      ledger_.open = false;
      return Attention("no receipt is open on the register: settle the document by hand", false);
    case Reading::Unclear: break;
  }
  return Stall("the register did not answer the reading before the operator's decision");
}

// The operator's payment for what is left: the register's remainder is read
// first, then the payment goes out once; a refusal stands.
Outcome DocumentRun::PayRest(const Settlement& settlement) {
  const Reading reading = ReadSubtotal();
  if (reading.kind == Reading::Unclear) {
    return Stall("the register did not answer the reading before the operator's payment");
  }
  if (reading.kind == Reading::None) {
    ledger_.open = false;
    return Attention("no receipt is open on the register: settle the document by hand", false);
  }
  if (reading.kind == Reading::Payment) {
    ledger_.payment_phase = true;
    ledger_.paid = ledger_.total - reading.amount;
  } else {
    ledger_.total = reading.amount;
  }
  // The operator's payment stands in for the payments the document had left.
  ledger_.next = plan_.size();
  std::vector<Problem> problems;
  const Payment payment = settlement.payment.value_or(Payment{});
  const PlannedStep step = PaymentPlan(document_, payment, "settlement.payment", mode_, problems);
  if (!problems.empty()) {
    ledger_.outcome.failed_step = Failure("settlement.payment", problems.front().message);
    return Attention("the operator's payment does not fit its fields", true);
  }
  ledger_.pending = Action::Step;
  const Reply reply = SendStep(step);
  ledger_.pending = Action::None;
  const TavirelControl& c = control_;
  if (reply == Reply::Ok) {
    ledger_.paid += Units(c.LastImp());
    ledger_.outcome.payments.push_back({step.where, step.member, Money(Units(c.LastImp()))});
    if (step.member == "opCredCC" || Closes(c.LastOPCode())) {
      ledger_.outcome.receipt_number = c.LastNumSF();
      ledger_.outcome.date = DateText(c);
      ledger_.outcome.change = Money(step.member == "opCredCC" ? 0 : Units(c.LastRest()));
      ledger_.open = false;
      ledger_.outcome.failed_step.reset();
      return Finish(Status::Closed);
    }
    ledger_.payment_phase = true;
    return LeftToPay(ledger_.total - ledger_.paid, "the operator's payment left the receipt open");
  }
  ledger_.outcome.failed_step =
      Failure(step.where, reply == Reply::Refused ? "the register refused the operator's payment"
                                                  : "the operator's payment got no usable reply");
  if (reply == Reply::Refused) return LeftToPay(ledger_.total - ledger_.paid, "");
  if (reply == Reply::NotSent) return Stall("the operator's payment could not be sent");
  // Its reply was lost: the reading tells whether it closed the receipt.
  const Reading after = ReadSubtotal();
  if (after.kind == Reading::None) {
    ledger_.open = false;
    return Finish(Status::Closed, "the operator's payment closed it; its number is not known");
  }
  if (after.kind == Reading::Unclear) return Stall("the operator's payment got no usable reply");
  return LeftToPay(after.kind == Reading::Payment ? after.amount : ledger_.total - ledger_.paid,
                   "the operator's payment was not carried out");
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
  ledger_.void_due = true;
  ledger_.pending = Action::Void;
  ledger_.pending_record = ledger_.outcome.steps.size();
  const Reply reply = Send("opVoidTot", {Operator()});
  if (reply == Reply::Ok) {
    ledger_.pending = Action::None;
    ledger_.open = false;
    ledger_.void_due = false;
    ledger_.outcome.receipt_number = control_.LastNumSF();
    ledger_.outcome.date = DateText(control_);
    return Finish(Status::Voided);
  }
  if (reply == Reply::Unknown) return ResolveVoid();
  ledger_.pending = Action::None;
  if (reply == Reply::Refused && RefusedForPaper()) return PaperStop("");
  if (reply == Reply::Refused) {
    return Attention("the void of the receipt was refused: the receipt is still open", true);
  }
  return Stall("the void of the receipt was not sent: the receipt is still open");
}

Outcome DocumentRun::ResolveVoid() {
  const Reading reading = ReadSubtotal();
  if (reading.kind == Reading::None) {
    ledger_.pending = Action::None;
    ledger_.open = false;
    ledger_.void_due = false;
    return Finish(Status::Voided);
  }
  if (reading.kind == Reading::Unclear) {
    return Stall(
        "the register did not answer the readings that tell whether the void was carried out");
  }
  ledger_.pending = Action::None;
  return Stall("the void's reply was lost and the receipt is still open");
}

// A receipt left open by an earlier run (a void not carried out, a payment
// lost or not sent in the payment phase): void it if it is still open in its
// sale phase; go on with the payments if the remainder is unchanged.
Outcome DocumentRun::Settle() {
  ledger_.stalled = false;
  const Reading reading = ReadSubtotal();
  switch (reading.kind) {
    case Reading::Open:
      ledger_.total = reading.amount;
      return Void(ledger_.outcome.failed_step.value_or(Failure("", "")));
    case Reading::Payment:
      // Unchanged since the payment that was lost or not sent: it was not
      // carried out, and only a payment can end the receipt now.
      if (ledger_.payment_phase && reading.amount == ledger_.total - ledger_.paid) {
        return Continue();
      }
      return LeftToPay(reading.amount, "the receipt's remainder changed on the register");
    case Reading::None:
      if (ledger_.payment_phase) {
        ledger_.open = false;
        return Finish(Status::Closed,
                      "the receipt was paid on the register; its number is not known");
      }
      return Attention("the receipt was ended on the register by other means", false);
    case Reading::Unclear: break;
  }
  return Stall("the register did not answer the readings");
}

}  // namespace tavirel::documents
