// What the journal flushes for a receipt, and what a power cut at any of
// those flushes leaves: the receipt of five lines, a discount and two
// payments costs at most one flush per step (the start rides on the first
// step's, the outcome waits for none), and whatever the disk kept, the
// document reopened is settled exactly once: one receipt on the paper, with
// its total, never two and never none.
#include <gtest/gtest.h>

#include "document_rig.hpp"
#include "shim_vfs.hpp"

namespace tavirel::documents::test {
namespace {

constexpr const char* kReceipt = R"({"key": "power-1", "operator": 1,
    "lines": [{"department": 1, "description": "PANE", "price": "1.50"},
              {"department": 2, "description": "MELE", "price": "2.40", "quantity": 2},
              {"department": 1, "description": "GRISSINI", "price": "0.60", "quantity": 3},
              {"department": 2, "description": "LATTE", "price": "0.99"},
              {"department": 1, "description": "CROSTATA", "price": "3.00"}],
    "adjustments": [{"type": "discount-percent", "percent": "10"}],
    "payments": [{"type": "cash", "amount": "5.00"}, {"type": "card", "card": 1}]})";
constexpr const char* kTotal = "10,88";  // 12.09 less 10 %
constexpr int kFlushTarget = 8;

// The register and its line stay up through a power cut of the host; the
// journal and the runner go with the host, and come back on the same files.
struct PowerRig {
  TempDir dir;
  sim::test::DriverRig line;
  std::unique_ptr<Journal> journal;
  std::unique_ptr<Runner> runner;

  void Boot() {
    journal = std::make_unique<Journal>(dir.File("journal.db"));
    runner = std::make_unique<Runner>(*line.ctl, *journal);
  }
  void Halt() {
    runner.reset();
    journal.reset();
  }
  [[nodiscard]] std::vector<PaperReceipt> Closed() const {
    std::vector<PaperReceipt> closed;
    for (const PaperReceipt& r : ReceiptsOnPaper(*line.reg)) {
      if (!r.voided) closed.push_back(r);
    }
    return closed;
  }
};

// The flushes of one receipt, run whole on a journal opened beforehand.
int FlushesOfOneReceipt() {
  ShimVfs vfs;
  PowerRig rig;
  rig.Boot();
  const int before = vfs.Syncs();
  const Outcome o = rig.runner->Run(ParseDocument(kReceipt));
  EXPECT_EQ(o.status, Status::Closed) << ToJson(o);
  EXPECT_EQ(rig.Closed().size(), 1U);
  return vfs.Syncs() - before;
}

TEST(Durability, AReceiptCostsAtMostOneFlushPerStep) {
  const int flushes = FlushesOfOneReceipt();
  EXPECT_LE(flushes, kFlushTarget);
  // Its steps' intents are durable: one flush at least for each request that went out.
  EXPECT_GE(flushes, 8);
}

// Every flush of the receipt is a point where the power may go (that flush
// and all after it lost), and so is the moment after the run, with the
// outcome written but not flushed.
TEST(Durability, APowerCutAtAnyFlushLeavesTheReceiptSettledExactlyOnce) {
  const int flushes = FlushesOfOneReceipt();
  ASSERT_GT(flushes, 0);
  for (int cut = 1; cut <= flushes + 1; ++cut) {
    SCOPED_TRACE("power cut at flush " + std::to_string(cut) + " of " + std::to_string(flushes));
    ShimVfs vfs;
    PowerRig rig;
    rig.Boot();
    if (cut <= flushes) vfs.CutPowerAtSync(vfs.Syncs() + cut);
    try {
      rig.runner->Run(ParseDocument(kReceipt));
    } catch (const JournalError&) {
      // The host lost its disk mid-document: what follows is its next boot.
    }
    if (cut <= flushes) {
      ASSERT_TRUE(vfs.PowerCut());
    } else {
      vfs.CutPower();
    }
    rig.Halt();
    vfs.RestoreFlushed();
    vfs.PowerBack();
    rig.Boot();
    const Outcome o = rig.runner->Run(ParseDocument(kReceipt));
    EXPECT_EQ(o.status, Status::Closed) << ToJson(o);
    const auto closed = rig.Closed();
    ASSERT_EQ(closed.size(), 1U) << "printed " << closed.size() << " times";
    EXPECT_EQ(closed[0].total, kTotal);
    // And it stays settled: asked again, the journal answers without the register.
    const auto again = rig.runner->Run(ParseDocument(kReceipt));
    EXPECT_EQ(again.status, Status::Closed);
    EXPECT_EQ(rig.Closed().size(), 1U);
  }
}

}  // namespace
}  // namespace tavirel::documents::test
