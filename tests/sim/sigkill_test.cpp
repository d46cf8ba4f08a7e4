// The register killed with SIGKILL at random moments while receipts are
// written, restarted from its state file each time: every receipt whose
// closing the driver saw answered is in the fiscal totals.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <thread>

#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"
#include "tavirel/sim/state_file.hpp"
#include "tavirel/tavirel_control.hpp"
#include "temp_dir.hpp"

extern char** environ;

namespace tavirel::sim {
namespace {

// The server as a child process; its first line on stdout names the device.
class ServerProcess {
 public:
  ServerProcess(const std::string& state_path, const std::string& paper_path) {
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string program = TAVIREL_SIM_SERVER;
    std::vector<char*> argv = {program.data(),
                               const_cast<char*>("--state"),
                               const_cast<char*>(state_path.c_str()),
                               const_cast<char*>("--paper"),
                               const_cast<char*>(paper_path.c_str()),
                               nullptr};
    const int rc = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0 || pid_ <= 0) throw std::runtime_error("cannot start " + program);
    try {
      device_ = ReadDevice(out[0]);
    } catch (...) {
      ::close(out[0]);
      Kill();
      Reap();
      throw;
    }
    ::close(out[0]);
  }
  ~ServerProcess() {
    Kill();
    Reap();
  }
  // Only ever this child, by its id; never after it has been reaped.
  void Kill() {
    if (pid_ > 0 && !reaped_) ::kill(pid_, SIGKILL);
  }
  void Reap() {
    if (pid_ > 0 && !reaped_) ::waitpid(pid_, nullptr, 0);
    reaped_ = true;
  }
  [[nodiscard]] const std::string& device() const { return device_; }
  [[nodiscard]] pid_t pid() const { return pid_; }

 private:
  static std::string ReadDevice(int fd) {
    std::string line;
    char c = 0;
    while (line.find('\n') == std::string::npos) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 5000) <= 0 || ::read(fd, &c, 1) != 1)
        throw std::runtime_error("server did not start");
      line += c;
    }
    if (line.rfind("DEVICE ", 0) != 0)
      throw std::runtime_error("unexpected server output: " + line);
    return line.substr(7, line.size() - 8);
  }

  pid_t pid_ = -1;
  bool reaped_ = false;
  std::string device_;
};

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
    ServerProcess server(state, paper);
    const int delay = delay_ms(random);
    std::thread killer([&server, delay] {
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      server.Kill();
    });
    try {
      TavirelControl c(PosixSerialPort::ForDevice(server.device()));
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
    server.Reap();
  }
  {
    ServerProcess restart(state, paper);  // serving: the paper is brought to the state
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
