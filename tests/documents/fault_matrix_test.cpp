// Every step of a receipt x every fault switch of the register, those that
// carry the command out and those that do not: each ends in exactly one
// closed receipt on the register's paper or none, and an outcome that says
// which. An uncertain outcome is run again once the register is back to
// normal (power, paper), and must then settle; one that needs attention (a
// refusal the runner must not answer by itself) is let go on by the
// operator first.
#include <gtest/gtest.h>

#include "document_rig.hpp"

namespace tavirel::documents::test {
namespace {

// PANE 1.50 + MELE 2 x 2.40 - RESO 0.50 = 5.80; less 10% = 5.22; cash 2.00, card the rest.
constexpr const char* kReceipt = R"({"key": "matrix", "type": "receipt", "operator": 1,
  "lines": [{"department": 1, "description": "PANE", "price": "1.50"},
            {"department": 2, "description": "MELE", "price": "2.40", "quantity": 2},
            {"type": "text", "text": "OFFERTA"},
            {"type": "return", "department": 1, "description": "RESO", "price": "0.50"}],
  "adjustments": [{"type": "discount-percent", "percent": "10"}],
  "payments": [{"type": "cash", "amount": "2.00"}, {"type": "card", "card": 1}]})";
constexpr int kSteps = 7;
constexpr int kTextStep = 2;
constexpr int kLastStep = 6;  // the card that closes the receipt, in its payment phase

struct FaultCase {
  const char* fault;
  bool carried_out;
  bool reply_lost;  // no usable reply comes back
};

constexpr FaultCase kFaults[] = {
    {"no-ack", true, true},
    {"no-reply", true, true},
    {"bad-checksum", true, true},
    {"ack-delay=4000", true, true},
    {"reply-delay=15000", true, true},
    {"long", true, true},
    {"short", true, true},
    {"noise", true, false},
    {"trailing", true, false},
    {"ack-delay=1500", true, false},
    {"reply-delay=5000", true, false},
    {"off", false, true},
    {"error=21", false, false},
    {"error=blank", false, false},
    {"paper-end", false, false},
};

class FaultMatrix : public ::testing::TestWithParam<std::tuple<int, FaultCase>> {
 protected:
  // Arms the fault when the request of `step` is written (frame 0 reads the
  // serial, frame 1 checks that no receipt is open).
  void ArmAtStep(int step, const char* fault) {
    HostHooks hooks = rig.line.ctl->Hooks();
    hooks.trace = [this, step, fault](TraceDirection direction, std::string_view bytes, auto) {
      if (direction != TraceDirection::Written || bytes.empty() || bytes.front() != '\x02') return;
      if (frames_++ == step + 2) rig.Arm(fault);
    };
    rig.line.ctl->SetHooks(hooks);
  }

  DocumentRig rig;
  int frames_ = 0;
};

TEST_P(FaultMatrix, OneClosedReceiptOrNoneAndTheOutcomeSaysWhich) {
  const auto [step, fault] = GetParam();
  ArmAtStep(step, fault.fault);
  Outcome first = rig.Run(kReceipt);
  Outcome last = first;
  if (last.status == Status::Uncertain || last.status == Status::NeedsAttention) {
    rig.line.reg->ClearFaults();
    rig.line.reg->RefillPaper();
    if (last.status == Status::NeedsAttention) rig.journal.Settle(last.key, Settlement{});
    last = rig.Run(kReceipt);
  }
  SCOPED_TRACE(ToJson(last));
  const auto paper = rig.Paper();
  const auto closed = std::count_if(paper.begin(), paper.end(), [](auto& r) { return !r.voided; });
  const auto voided = std::count_if(paper.begin(), paper.end(), [](auto& r) { return r.voided; });
  EXPECT_EQ(closed, last.status == Status::Closed ? 1 : 0);
  EXPECT_EQ(voided, last.status == Status::Voided ? 1 : 0);
  EXPECT_NE(last.status, Status::Uncertain);
  EXPECT_TRUE(rig.RegisterIdle());
  if (last.status == Status::Closed) {
    EXPECT_EQ(paper.front().total, "5,22");
    EXPECT_EQ(last.total, "5.22");
    if (last.receipt_number) {
      EXPECT_EQ(*last.receipt_number, paper.front().number);
    }
  } else {
    ASSERT_TRUE(last.failed_step.has_value());
  }
  // What each kind of fault must come to on the first run.
  if (fault.carried_out && (step != kTextStep || !fault.reply_lost)) {
    EXPECT_EQ(first.status, Status::Closed);
  } else if (!fault.carried_out) {
    EXPECT_NE(first.status, Status::Closed);
    const bool paper = std::string(fault.fault) == "paper-end";
    if (paper) {
      // Out of paper the receipt waits, open as it is, and goes on once the
      // paper is back: closed, whatever step the paper ran out at.
      EXPECT_EQ(first.status, Status::NeedsAttention);
      EXPECT_TRUE(first.holds_register);
      EXPECT_EQ(first.failed_step->kind, "paper-out");
      EXPECT_EQ(last.status, Status::Closed);
    } else if (step == 0) {
      EXPECT_EQ(first.status, Status::Failed);
    }
    if (step == kLastStep) {
      if (!fault.reply_lost) {  // refused in the payment phase: never sent again by itself
        EXPECT_EQ(first.status, Status::NeedsAttention);
        EXPECT_TRUE(first.holds_register);
        EXPECT_EQ(first.due, "3.22");
      }
      EXPECT_EQ(last.status, Status::Closed);  // only a payment ends it
    }
  } else {
    EXPECT_EQ(first.status, Status::Voided);  // a description cannot be told by a reading
  }
  // A step whose reply was lost never goes out twice within a run.
  std::map<std::string, int> sent;
  for (const StepRecord& s : first.steps) ++sent[s.member];
  EXPECT_LE(sent["opReparto"], 1);
  EXPECT_LE(sent["opDescAgg"], 1);
  EXPECT_LE(sent["opCredCC"], 1);
  EXPECT_LE(sent["opVoidTot"], 1);
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<int, FaultCase>>& info) {
  std::string name = "step" + std::to_string(std::get<0>(info.param)) + "_";
  for (const char c : std::string(std::get<1>(info.param).fault)) {
    name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(EveryStepEveryFault, FaultMatrix,
                         ::testing::Combine(::testing::Range(0, kSteps),
                                            ::testing::ValuesIn(kFaults)),
                         CaseName);

}  // namespace
}  // namespace tavirel::documents::test
