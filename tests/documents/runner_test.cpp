// The runner: the void path, non-fiscal documents, reports never repeated,
// and a crash loop: the host stopped at every request and every reply of a
// receipt, then the document run again with the same key. A receipt's frames
// on a fresh runner: 1 reads the serial, 2 checks that no receipt is open,
// then one per step.
#include <gtest/gtest.h>

#include "document_rig.hpp"

namespace tavirel::documents::test {
namespace {

constexpr const char* kReceipt = R"({"key": "r1", "lines": [
    {"department": 1, "description": "PANE", "price": "1.50"},
    {"department": 2, "description": "MELE", "price": "2.40", "quantity": 2},
    {"department": 3, "description": "UVA", "price": "3.10", "quantity": "0.500"}],
    "adjustments": [{"type": "discount", "amount": "0.20"}],
    "payments": [{"type": "cash", "amount": "5.00"}, {"type": "cash"}]})";
// 1.50 + 4.80 + 1.55 - 0.20 = 7.65: cash 5.00 leaves 2.65, then cash pays the rest.

TEST(Runner, ARefusalVoidsTheReceiptAndNamesTheStepAndThePrintersError) {
  DocumentRig rig;
  HostHooks hooks = rig.line.ctl->Hooks();
  int frames = 0;
  hooks.trace = [&](TraceDirection d, std::string_view bytes, auto) {
    if (d == TraceDirection::Written && !bytes.empty() && bytes[0] == '\x02' && ++frames == 4) {
      rig.Arm("error=21");  // the second line
    }
  };
  rig.line.ctl->SetHooks(hooks);
  const Outcome o = rig.Run(kReceipt);
  EXPECT_EQ(o.status, Status::Voided);
  ASSERT_TRUE(o.failed_step);
  EXPECT_EQ(o.failed_step->member, "opRepartoQInt");
  EXPECT_EQ(o.failed_step->where, "lines[1]");
  EXPECT_EQ(o.failed_step->result, EERR);
  EXPECT_EQ(o.failed_step->printer_error, 21);
  EXPECT_EQ(o.failed_step->printer_text, "SUPERA LIMITE");
  ASSERT_EQ(o.steps.size(), 4u);
  EXPECT_EQ(o.steps[0].member, "opSubTot");  // no receipt open: refused with SEQUENZA ERRATA
  EXPECT_EQ(o.steps[3].member, "opVoidTot");
  EXPECT_EQ(StepResultName(o.steps[3]), "OP_OK");
  EXPECT_EQ(o.failed_step->index, 2u);
  const auto paper = rig.Paper();
  ASSERT_EQ(paper.size(), 1u);
  EXPECT_TRUE(paper[0].voided);
  EXPECT_EQ(o.receipt_number, paper[0].number);
  EXPECT_TRUE(rig.RegisterIdle());
}

TEST(Runner, AClosedReceiptGivesItsAmountsInTheControlsCurrency) {
  DocumentRig rig;
  const Outcome o = rig.Run(kReceipt);
  ASSERT_EQ(o.status, Status::Closed) << ToJson(o);
  EXPECT_EQ(o.total, "7.65");
  EXPECT_EQ(o.paid, "7.65");
  EXPECT_EQ(o.change, "0.00");
  EXPECT_EQ(o.receipt_number, rig.Paper().at(0).number);
  EXPECT_EQ(rig.Paper().at(0).total, "7,65");
  ASSERT_TRUE(o.date);
  EXPECT_EQ(o.date->size(), 16u);
  EXPECT_EQ(o.steps.size(), 7u);
}

TEST(Runner, LireAmountsAreWholeLire) {
  DocumentRig rig;
  sim::SimOptions options;
  options.currency = sim::CurrencyUnit::Lire;
  sim::test::DriverRig lire(options, TVL_EUROSETTINGS_LIRE);
  Runner runner(*lire.ctl, rig.journal);
  const Outcome o = runner.Run(ParseDocument(R"({"key": "lire", "lines": [
      {"department": 1, "description": "PANE", "price": 1500, "quantity": 3}],
      "payments": [{"type": "cash", "amount": "5000"}]})"));
  ASSERT_EQ(o.status, Status::Closed) << ToJson(o);
  EXPECT_EQ(o.total, "4500");
  EXPECT_EQ(o.change, "500");
}

TEST(Runner, PaymentsThatCannotCloseTheReceiptVoidItBeforeAnyPayment) {
  DocumentRig rig;
  // Price 0 takes the department's price (programmed here to 9.00), which
  // preflight cannot know; the cash given does not cover it.
  ASSERT_EQ(rig.line.ctl->opProgReparto(1, "PANE", Currency::Parse("9.00"), Currency(), Currency(),
                                        0, 1, Currency(), 0, 0, "00"),
            OP_OK);
  const Outcome o = rig.Run(R"({"key": "short", "lines": [
      {"department": 1, "description": "PANE", "price": "0"}],
      "payments": [{"type": "cash", "amount": "5.00"}]})");
  EXPECT_EQ(o.status, Status::Voided) << ToJson(o);
  for (const StepRecord& s : o.steps) EXPECT_NE(s.member, "opContante");
  ASSERT_TRUE(o.failed_step);
  EXPECT_EQ(o.failed_step->where, "payments");
  EXPECT_TRUE(rig.RegisterIdle());
}

TEST(Runner, NonFiscalDocumentsAreEndedTheSameWay) {
  DocumentRig rig;
  constexpr const char* kText = R"({"key": "nf", "type": "non-fiscal",
      "lines": [{"text": "GRAZIE"}, {"text": "ARRIVEDERCI", "font": 2}]})";
  EXPECT_EQ(rig.Run(kText).status, Status::Closed);
  HostHooks hooks = rig.line.ctl->Hooks();
  int frames = 0;
  hooks.trace = [&](TraceDirection d, std::string_view bytes, auto) {
    if (d == TraceDirection::Written && !bytes.empty() && bytes[0] == '\x02' && ++frames == 2) {
      rig.Arm("error=13");
    }
  };
  rig.line.ctl->SetHooks(hooks);
  std::string other = kText;
  other.replace(other.find("nf"), 2, "n2");
  const Outcome o = rig.Run(other);
  EXPECT_EQ(o.status, Status::Voided);
  ASSERT_TRUE(o.failed_step);
  EXPECT_EQ(o.failed_step->where, "lines[0]");
  EXPECT_EQ(o.failed_step->printer_error, 13);
  EXPECT_EQ(o.steps.back().member, "opEndSNoFisc");
  EXPECT_TRUE(rig.RegisterIdle());
}

TEST(Runner, AReportWhoseReplyWasLostIsNeverRepeated) {
  DocumentRig rig;
  ASSERT_EQ(rig.Run(R"({"key": "x1", "type": "report", "report": "x-financial-daily"})").status,
            Status::Closed);
  rig.Arm("no-reply");
  constexpr const char* kClosure = R"({"key": "z1", "type": "report", "report": "fiscal-closure"})";
  const Outcome lost = rig.Run(kClosure);
  EXPECT_EQ(lost.status, Status::NeedsAttention);
  EXPECT_FALSE(lost.holds_register);
  const int closures = static_cast<int>(rig.line.reg->FiscalMemory().size());
  EXPECT_EQ(closures, 1);  // carried out, though its reply was lost
  const Outcome again = rig.Run(kClosure);
  EXPECT_TRUE(again.replayed);
  EXPECT_EQ(again.status, Status::NeedsAttention);
  EXPECT_EQ(static_cast<int>(rig.line.reg->FiscalMemory().size()), closures);
}

struct Crash {};

// Stops the host (an exception out of the control) right after the request
// of frame `frame` is written, or right after its reply has been read.
void CrashAt(DocumentRig& rig, int frame, bool after_reply) {
  HostHooks hooks = rig.line.ctl->Hooks();
  auto written = std::make_shared<int>(0);
  hooks.trace = [written, frame, after_reply](TraceDirection d, std::string_view bytes, auto) {
    if (d == TraceDirection::Written && !bytes.empty() && bytes[0] == '\x02') {
      if (++*written == frame && !after_reply) throw Crash{};
    }
    if (d == TraceDirection::Read && after_reply && *written == frame &&
        bytes.find('\x03') != std::string_view::npos) {
      throw Crash{};
    }
  };
  rig.line.ctl->SetHooks(hooks);
}

TEST(Runner, CrashLoopEveryRequestAndEveryReplyThenRunAgain) {
  // Frame 1 reads the serial, frame 2 checks that no receipt is open;
  // frames 3..8 are the receipt's six steps.
  for (int frame = 2; frame <= 8; ++frame) {
    for (const bool after_reply : {false, true}) {
      SCOPED_TRACE("frame " + std::to_string(frame) + (after_reply ? " after its reply" : ""));
      DocumentRig rig;
      CrashAt(rig, frame, after_reply);
      EXPECT_THROW(rig.Run(kReceipt), Crash);
      rig.line.ctl->SetHooks({});
      Outcome o = rig.Run(kReceipt);
      if (o.status == Status::Failed) o = rig.Run(kReceipt);  // nothing happened: run it again
      EXPECT_EQ(o.status, Status::Closed) << ToJson(o);
      if (frame > 3 || (frame == 3 && after_reply)) {
        // The stopped step stands in the outcome as interrupted, judged by a reading, never resent.
        const auto stopped = std::find_if(o.steps.begin(), o.steps.end(),
                                          [](auto& s) { return s.end == StepEnd::Interrupted; });
        ASSERT_NE(stopped, o.steps.end()) << ToJson(o);
        ASSERT_NE(stopped + 1, o.steps.end());
        EXPECT_EQ((stopped + 1)->member, "opSubTot");
        EXPECT_EQ(std::count_if(o.steps.begin(), o.steps.end(),
                                [&](auto& s) { return s.member == stopped->member; }),
                  stopped->member == "opContante" ? 2 : 1);
      }
      const auto paper = rig.Paper();
      const auto closed =
          std::count_if(paper.begin(), paper.end(), [](auto& r) { return !r.voided; });
      EXPECT_EQ(closed, 1);
      EXPECT_EQ(paper.size(), 1u);
      EXPECT_TRUE(rig.RegisterIdle());
      EXPECT_TRUE(rig.Run(kReceipt).replayed);
    }
  }
}

TEST(Runner, ADocumentLeftInFlightIsResolvedBeforeTheNextOne) {
  DocumentRig rig;
  CrashAt(rig, 4, false);  // the second line went out
  EXPECT_THROW(rig.Run(kReceipt), Crash);
  rig.line.ctl->SetHooks({});
  std::string next = kReceipt;
  next.replace(next.find("r1"), 2, "r2");
  const Outcome o = rig.Run(next);
  EXPECT_EQ(o.status, Status::Closed);
  const auto first = rig.journal.Lookup("r1");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->status, Status::Closed);  // its lines went on from where it stopped
  EXPECT_EQ(rig.Paper().size(), 2u);
}

}  // namespace
}  // namespace tavirel::documents::test

namespace tavirel::documents::test {
namespace {

TEST(Runner, UncertainWhileTheRegisterCannotBeReachedThenResolved) {
  DocumentRig rig;
  CrashAt(rig, 5, false);  // the third line went out
  EXPECT_THROW(rig.Run(kReceipt), Crash);
  rig.line.ctl->SetHooks({});
  rig.line.reg->SetPower(false);
  const Outcome off = rig.Run(kReceipt);
  EXPECT_EQ(off.status, Status::Uncertain);
  EXPECT_EQ(rig.journal.Lookup("r1")->status, Status::Uncertain);
  rig.line.reg->SetPower(true);
  const Outcome on = rig.Run(kReceipt);
  EXPECT_EQ(on.status, Status::Closed) << ToJson(on);
  EXPECT_FALSE(on.replayed);
  EXPECT_EQ(on.total, "7.65");
  EXPECT_EQ(rig.Paper().size(), 1u);
}

}  // namespace
}  // namespace tavirel::documents::test
