// The register killed with SIGKILL at random moments while receipts are
// written, restarted from its state file each time: every receipt whose
// closing the driver saw answered is in the fiscal totals.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <thread>

#include "sim_process.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"
#include "tavirel/sim/state_file.hpp"
#include "tavirel/tavirel_control.hpp"
#include "temp_dir.hpp"

namespace tavirel::sim {
namespace {

struct Ledger {
  int answered = 0;
  std::int64_t answered_cents = 0;
  std::vector<std::int64_t> in_doubt;  // receipts whose closing got no answer
};

// Voids a receipt left open by the last kill; false when the line failed.
bool NothingOpen(TavirelControl& c) {
  const auto r = c.opVoidTot(1);
  return r == OP_OK || (r == EERR && c.LastEERR() == 11);
}

void WriteReceipts(TavirelControl& c, Ledger& ledger, int& next) {
  if (!NothingOpen(c)) return;
  for (;;) {
    const std::int64_t cents = 100 + next++;
    if (c.opReparto(1, "ARTICOLO", Currency::FromRaw(cents * 100), 1) != OP_OK) {
      ledger.in_doubt.push_back(cents);
      return;
    }
    if (c.opContante(1) == OP_OK && c.LastOPCode() == OP_CODE_CONT_REST) {
      ++ledger.answered;
      ledger.answered_cents += cents;
    } else {
      ledger.in_doubt.push_back(cents);
      return;
    }
  }
}

bool SumOfSomeOf(std::int64_t target, const std::vector<std::int64_t>& values) {
  const std::size_t n = values.size();
  for (std::size_t mask = 0; mask < (std::size_t{1} << n); ++mask) {
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (mask & (std::size_t{1} << i)) sum += values[i];
    }
    if (sum == target) return true;
  }
  return false;
}

// The paper holds each document the state holds, once, in order.
void ExpectPaperAgreesWithState(const std::string& paper_path, const RegisterState& state) {
  std::ifstream in(paper_path);
  std::vector<PaperRecord> paper;
  for (std::string line; std::getline(in, line);) paper.push_back(ParsePaperLine(line));
  int receipts = 0;
  for (std::size_t i = 0; i < paper.size(); ++i) {
    EXPECT_EQ(paper[i].seq, i + 1);
    if (paper[i].kind == PaperKind::Receipt) ++receipts;
  }
  EXPECT_EQ(paper.size(), state.documents);
  EXPECT_EQ(receipts, state.day.totals.receipts);
  if (!paper.empty()) {
    EXPECT_EQ(paper.back(), state.last_document);
  }
}

TEST(SigKill, EveryAnsweredReceiptSurvivesAKill) {
  test::TempDir dir;
  const std::string state = dir / "register.json";
  const std::string paper = dir / "paper.jsonl";
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> delay_ms(30, 250);
  Ledger ledger;
  int next = 0;
  constexpr int kKills = 6;
  for (int round = 0; round < kKills; ++round) {
    test::SimProcess server({"--state", state, "--paper", paper});
    const int delay = delay_ms(random);
    const pid_t pid = server.Pid();
    std::thread killer([pid, delay] {
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      ::kill(pid, SIGKILL);  // this child only, by its id; reaped below
    });
    try {
      TavirelControl c(PosixSerialPort::ForDevice(server.Device()));
      c.Initialize();
      c.InitProperties();
      c.EuroSettings(TVL_EUROSETTINGS_EURO);
      c.PortOpen();
      WriteReceipts(c, ledger, next);
    } catch (const TavirelError&) {
      // The line died under a call: the receipt in hand is in doubt.
      if (ledger.in_doubt.empty() || ledger.in_doubt.back() != 100 + next - 1)
        ledger.in_doubt.push_back(100 + next - 1);
    }
    killer.join();
    server.Kill();
  }
  {
    test::SimProcess restart({"--state", state, "--paper", paper});  // the paper meets the state
  }
  const SavedRegister saved = StateFile(state).Load();
  const FinancialTotals& day = saved.state.day.totals;
  EXPECT_GT(ledger.answered, 0);
  EXPECT_GE(day.receipts, ledger.answered);
  EXPECT_LE(day.receipts, ledger.answered + static_cast<int>(ledger.in_doubt.size()));
  EXPECT_TRUE(SumOfSomeOf(day.sales - ledger.answered_cents, ledger.in_doubt))
      << "sales " << day.sales << " answered " << ledger.answered_cents;
  ExpectPaperAgreesWithState(paper, saved.state);
}

}  // namespace
}  // namespace tavirel::sim
