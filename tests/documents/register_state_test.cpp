// What the register holds decides what a document may do: a receipt found
// open before the first line is someone else's and is left alone; a receipt
// that a payment has opened cannot be voided, and a refused payment is never
// sent again by itself; every request the runner makes is told once.
#include <gtest/gtest.h>

#include "document_rig.hpp"

namespace tavirel::documents::test {
namespace {

constexpr const char* kPane = R"({"key": "pane", "lines": [
    {"department": 1, "description": "PANE", "price": "1.50"}],
    "payments": [{"type": "cash", "amount": "2.00"}]})";

// 8.00 in all; cash 3.00 leaves 5.00, then a meal voucher of a type the
// register has not been programmed with.
constexpr const char* kVoucher = R"({"key": "voucher", "lines": [
    {"department": 1, "description": "SPESA", "price": "8.00"}],
    "payments": [{"type": "cash", "amount": "3.00"},
                 {"type": "ticket", "ticket": 9, "amount": "5.00"}]})";

std::int64_t Subtotal(TavirelControl& ctl) {
  if (ctl.opSubTot(1) != OP_OK) return -1;
  return ctl.LastSubTotFisc().RoundedUnits(0);
}

TEST(RegisterState, AReceiptOpenBeforeTheFirstLineIsLeftAsItIsAndTheDocumentWaits) {
  DocumentRig rig;
  // A sale in progress at the keyboard (here a member call): 9.99 open.
  ASSERT_EQ(rig.line.ctl->opReparto(1, "TASTIERA", Currency::Parse("9.99"), 1), OP_OK);
  const Outcome o = rig.Run(kPane);
  EXPECT_EQ(o.status, Status::NeedsAttention) << ToJson(o);
  EXPECT_TRUE(o.holds_register);
  ASSERT_TRUE(o.failed_step);
  EXPECT_NE(o.failed_step->reason.find("9.99"), std::string::npos) << o.failed_step->reason;
  EXPECT_EQ(o.failed_step->kind, "receipt-open");
  // Only the reading went out: no line joined the open receipt, nothing was paid or voided.
  ASSERT_EQ(o.steps.size(), 1u);
  EXPECT_EQ(o.steps[0].member, "opSubTot");
  EXPECT_EQ(Subtotal(*rig.line.ctl), 999);
  EXPECT_TRUE(rig.Paper().empty());
  // Running it again asks nothing of the register: an operator must settle it.
  const int frames = rig.line.reg->Stats().frames;
  EXPECT_EQ(rig.Run(kPane).status, Status::NeedsAttention);
  EXPECT_EQ(rig.line.reg->Stats().frames, frames);
  // The sale is finished at the keyboard, and the operator lets the document go on.
  ASSERT_EQ(rig.line.ctl->opContante(1, Currency::Parse("10.00")), OP_OK);
  rig.journal.Settle("pane", Settlement{});
  const Outcome after = rig.Run(kPane);
  EXPECT_EQ(after.status, Status::Closed) << ToJson(after);
  EXPECT_EQ(after.total, "1.50");
  EXPECT_EQ(after.paid, "2.00");
  const auto paper = rig.Paper();
  ASSERT_EQ(paper.size(), 2u);
  EXPECT_EQ(paper[0].total, "9,99");
  EXPECT_EQ(paper[1].total, "1,50");
  EXPECT_EQ(after.receipt_number, paper[1].number);
}

TEST(RegisterState, APaymentRefusedAfterAnotherNeedsAttentionAndIsNeverSentAgainByItself) {
  DocumentRig rig;
  const Outcome o = rig.Run(kVoucher);
  EXPECT_EQ(o.status, Status::NeedsAttention) << ToJson(o);
  EXPECT_TRUE(o.holds_register);
  EXPECT_EQ(o.total, "8.00");
  EXPECT_EQ(o.paid, "3.00");
  EXPECT_EQ(o.due, "5.00");
  ASSERT_TRUE(o.failed_step);
  EXPECT_EQ(o.failed_step->where, "payments[1]");
  EXPECT_EQ(o.failed_step->result, EERR);
  EXPECT_NE(o.failed_step->printer_error, 0);
  EXPECT_FALSE(o.failed_step->printer_text.empty());
  const auto vouchers = [](const Outcome& out) {
    return std::count_if(out.steps.begin(), out.steps.end(),
                         [](const StepRecord& s) { return s.member == "opTicket"; });
  };
  EXPECT_EQ(vouchers(o), 1);
  for (const StepRecord& s : o.steps) EXPECT_NE(s.member, "opVoidTot");
  // The receipt stays open in its payment phase with 5.00 to pay.
  ASSERT_EQ(rig.line.ctl->opSubTot(1), OP_OK);
  EXPECT_EQ(rig.line.ctl->LastRim().RoundedUnits(0), 500);
  // Again and again: answered from the journal, the register untouched.
  const int frames = rig.line.reg->Stats().frames;
  for (int i = 0; i < 3; ++i) {
    const Outcome again = rig.Run(kVoucher);
    EXPECT_TRUE(again.replayed);
    EXPECT_EQ(again.status, Status::NeedsAttention);
    EXPECT_EQ(vouchers(again), 1);
  }
  EXPECT_EQ(rig.line.reg->Stats().frames, frames);
  EXPECT_TRUE(rig.Paper().empty());
}

TEST(RegisterState, EveryRequestIsToldOnceWhenItEndsAcrossACrashAndItsResolution) {
  DocumentRig rig;
  std::vector<StepRecord> told;
  RunnerOptions options;
  options.on_step = [&told](const StepRecord& s) { told.push_back(s); };
  Runner runner(*rig.line.ctl, rig.journal, options);
  struct Crash {};
  HostHooks hooks = rig.line.ctl->Hooks();
  int written = 0;
  hooks.trace = [&written](TraceDirection d, std::string_view bytes, auto) {
    if (d == TraceDirection::Written && !bytes.empty() && bytes[0] == '\x02') ++written;
    // The first line was carried out; the host stops as its reply comes in.
    if (d == TraceDirection::Read && written == 3 && bytes.find('\x03') != std::string_view::npos) {
      throw Crash{};
    }
  };
  rig.line.ctl->SetHooks(hooks);
  const int frames_before = rig.line.reg->Stats().frames;  // the port's opening probe
  EXPECT_THROW(runner.Run(ParseDocument(kPane)), Crash);
  rig.line.ctl->SetHooks({});
  const Outcome o = runner.Run(ParseDocument(kPane));
  ASSERT_EQ(o.status, Status::Closed) << ToJson(o);
  // Every step of the outcome but the interrupted one ended once, and was told once.
  std::vector<StepRecord> ended;
  for (const StepRecord& s : o.steps) {
    if (s.end != StepEnd::Interrupted) ended.push_back(s);
  }
  EXPECT_EQ(told, ended);
  EXPECT_EQ(static_cast<int>(told.size()), rig.line.reg->Stats().frames - frames_before - 2)
      << "all frames but the serial reading and the interrupted line";
}

}  // namespace
}  // namespace tavirel::documents::test

namespace tavirel::documents::test {
namespace {

Settlement Decided(Settlement::Action action, std::string note = "the operator decided") {
  Settlement s;
  s.action = action;
  s.note = std::move(note);
  s.by = "test";
  return s;
}

// Arms `fault` when the request of the `frame`-th frame from now is written.
void ArmAtFrame(DocumentRig& rig, int frame, std::string fault) {
  HostHooks hooks = rig.line.ctl->Hooks();
  auto written = std::make_shared<int>(0);
  hooks.trace = [&rig, written, frame, fault](TraceDirection d, std::string_view bytes, auto) {
    if (d == TraceDirection::Written && !bytes.empty() && bytes[0] == '\x02' &&
        ++*written == frame) {
      rig.Arm(fault);
    }
  };
  rig.line.ctl->SetHooks(hooks);
}

TEST(OperatorDecisions, PayTheRestOfARefusedPaymentClosesTheReceiptOnce) {
  DocumentRig rig;
  ASSERT_EQ(rig.Run(kVoucher).status, Status::NeedsAttention);
  Settlement pay = Decided(Settlement::Action::PayRest, "the customer paid cash instead");
  pay.payment = Payment{PaymentType::Cash, std::nullopt, 0, 0};
  EXPECT_EQ(rig.journal.Settle("voucher", pay).status, Status::Uncertain);
  const Outcome o = rig.Run(kVoucher);
  ASSERT_EQ(o.status, Status::Closed) << ToJson(o);
  EXPECT_EQ(o.total, "8.00");
  EXPECT_EQ(o.paid, "8.00");
  ASSERT_EQ(o.payments.size(), 2u);
  EXPECT_EQ(o.payments[0], (AmountLine{"payments[0]", "opContante", "3.00"}));
  EXPECT_EQ(o.payments[1], (AmountLine{"settlement.payment", "opContante", "5.00"}));
  ASSERT_TRUE(o.settlement);
  EXPECT_EQ(o.settlement->action, Settlement::Action::PayRest);
  EXPECT_EQ(o.settlement->note, "the customer paid cash instead");
  const auto paper = rig.Paper();
  ASSERT_EQ(paper.size(), 1u);
  EXPECT_FALSE(paper[0].voided);
  EXPECT_EQ(paper[0].total, "8,00");
  EXPECT_TRUE(rig.Run(kVoucher).replayed);
  EXPECT_EQ(rig.Paper().size(), 1u);
}

TEST(OperatorDecisions, AVoidWhereTheRegisterAllowsItAndASettlementByHandWhereItDoesNot) {
  // A line refused, then the void refused too: the receipt stays open in its sale phase.
  DocumentRig rig;
  constexpr const char* kTwoLines = R"({"key": "two", "lines": [
      {"department": 1, "description": "PANE", "price": "1.50"},
      {"department": 1, "description": "LATTE", "price": "1.00"}],
      "payments": [{"type": "cash"}]})";
  HostHooks hooks = rig.line.ctl->Hooks();
  int written = 0;
  hooks.trace = [&](TraceDirection d, std::string_view bytes, auto) {
    if (d != TraceDirection::Written || bytes.empty() || bytes[0] != '\x02') return;
    ++written;
    if (written == 4) rig.Arm("error=21");  // the second line
    if (written == 5) rig.Arm("error=13");  // the void
  };
  rig.line.ctl->SetHooks(hooks);
  const Outcome refused = rig.Run(kTwoLines);
  rig.line.ctl->SetHooks({});
  ASSERT_EQ(refused.status, Status::NeedsAttention) << ToJson(refused);
  EXPECT_TRUE(refused.holds_register);
  rig.journal.Settle("two", Decided(Settlement::Action::Void));
  const Outcome voided = rig.Run(kTwoLines);
  EXPECT_EQ(voided.status, Status::Voided) << ToJson(voided);
  ASSERT_TRUE(voided.settlement);
  EXPECT_EQ(voided.settlement->action, Settlement::Action::Void);
  ASSERT_EQ(rig.Paper().size(), 1u);
  EXPECT_TRUE(rig.Paper()[0].voided);

  // In its payment phase a receipt cannot be voided: the operator is told so,
  // and may settle it by hand, the register untouched.
  ASSERT_EQ(rig.Run(kVoucher).status, Status::NeedsAttention);
  rig.journal.Settle("voucher", Decided(Settlement::Action::Void));
  const Outcome kept = rig.Run(kVoucher);
  EXPECT_EQ(kept.status, Status::NeedsAttention);
  EXPECT_NE(kept.failed_step->reason.find("cannot be voided"), std::string::npos);
  const int frames = rig.line.reg->Stats().frames;
  const JournalEntry settled = rig.journal.Settle("voucher", [] {
    Settlement s = Decided(Settlement::Action::MarkSettled, "closed at the keyboard");
    s.settled_as = Status::Closed;
    return s;
  }());
  EXPECT_EQ(settled.status, Status::Closed);
  const Outcome replayed = rig.Run(kVoucher);
  EXPECT_TRUE(replayed.replayed);
  EXPECT_EQ(replayed.status, Status::Closed);
  EXPECT_EQ(replayed.settlement->note, "closed at the keyboard");
  EXPECT_EQ(rig.line.reg->Stats().frames, frames);
  EXPECT_THROW(rig.journal.Settle("voucher", Decided(Settlement::Action::Retry)), JournalError);
}

// The paper runs out in the middle of the receipt, or while the register
// stood idle before it: either way the document waits for the refill holding
// its register (not as one whose register is out of reach), then prints once.
TEST(OperatorDecisions, PaperOutThenRefilledGivesOneWholeReceipt) {
  constexpr const char* kThree = R"({"key": "paper", "lines": [
      {"department": 1, "description": "PANE", "price": "1.50"},
      {"department": 1, "description": "LATTE", "price": "1.00"},
      {"department": 2, "description": "MELE", "price": "2.00"}],
      "payments": [{"type": "cash", "amount": "10.00"}]})";
  struct Case {
    const char* name;
    bool idle;          // out of paper before the document's first command
    const char* where;  // the step it stopped at
    long restarts;      // restart commands in the end (a refused one included)
  };
  for (const Case c : {Case{"mid-receipt", false, "lines[1]", 1}, Case{"idle", true, "", 2}}) {
    SCOPED_TRACE(c.name);
    DocumentRig rig;
    if (c.idle) {
      rig.line.reg->RunOutOfPaper();
    } else {
      ArmAtFrame(rig, 4, "paper-end");  // serial, check, first line, then the second
    }
    const Outcome stopped = rig.Run(kThree);
    rig.line.ctl->SetHooks({});
    ASSERT_EQ(stopped.status, Status::NeedsAttention) << ToJson(stopped);
    EXPECT_EQ(stopped.failed_step->kind, "paper-out");
    EXPECT_EQ(stopped.failed_step->where, c.where);
    EXPECT_TRUE(stopped.holds_register);
    EXPECT_TRUE(rig.Paper().empty());
    rig.line.reg->RefillPaper();
    rig.journal.Settle("paper", Decided(Settlement::Action::Retry, "paper refilled"));
    const Outcome o = rig.Run(kThree);
    ASSERT_EQ(o.status, Status::Closed) << ToJson(o);
    EXPECT_EQ(o.total, "4.50");
    EXPECT_EQ(o.change, "5.50");
    const auto restarts = std::count_if(o.steps.begin(), o.steps.end(), [](const StepRecord& s) {
      return s.member == "opRiavvioStampaDaFineCarta";
    });
    EXPECT_EQ(restarts, c.restarts);
    const auto paper = rig.Paper();
    ASSERT_EQ(paper.size(), 1u);
    EXPECT_FALSE(paper[0].voided);
    EXPECT_EQ(paper[0].total, "4,50");
  }
}

}  // namespace
}  // namespace tavirel::documents::test
