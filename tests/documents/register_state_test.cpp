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
  rig.journal.Retry("pane");
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
