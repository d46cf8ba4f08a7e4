// The host killed: `tavirel receipt` stopped with SIGKILL at random points
// across many receipts, against the simulated register in a process of its
// own with a state file; each document then run again with the same key.
// The register's paper must hold exactly one closed receipt per closed
// outcome: none lost, none doubled.
//
// Bounded for the suite: TAVIREL_CRASH_DOCUMENTS receipts (12 by default),
// TAVIREL_CRASH_REALISTIC=1 for a register paced like a real one at 9600
// baud, TAVIREL_CRASH_SEED for another draw of kill points.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "cli/child_process.hpp"
#include "document_rig.hpp"

namespace tavirel::documents::test {
namespace {

using tavirel::testing::ChildProcess;

int EnvNumber(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

std::string Item(int i) {
  std::string n = std::to_string(i);
  return "ITEM " + std::string(4 - std::min<std::size_t>(4, n.size()), '0') + n;
}

// Two lines and two payments; each document sells an item named after it.
std::string Receipt(int i) {
  const std::string cents = std::to_string(100 + i % 100);
  return R"({"key": "crash-)" + std::to_string(i) + R"(", "lines": [
      {"department": 1, "description": ")" +
         Item(i) + R"(", "price": "1.)" + cents.substr(1) + R"("},
      {"department": 2, "description": "PANE", "price": "2.00", "quantity": 2}],
      "payments": [{"type": "cash", "amount": "1.00"}, {"type": "cash"}]})";
}

// The receipts closed on the paper, by the items they hold; and the voided ones.
struct Paper {
  std::map<std::string, int> closed_items;
  int closed = 0;
  int voided = 0;
};

Paper ReadPaper(const std::string& printed) {
  Paper paper;
  std::istringstream lines(printed);
  std::vector<std::string> items;
  bool voided = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("| ", 0) != 0) continue;
    line.erase(0, 2);
    if (line.rfind("ITEM ", 0) == 0) items.push_back(line.substr(0, 9));
    if (line.find("SCONTRINO ANNULLATO") != std::string::npos) voided = true;
    if (line.find("SF. ") == std::string::npos) continue;
    if (voided) {
      ++paper.voided;
    } else {
      ++paper.closed;
      for (const auto& item : items) ++paper.closed_items[item];
    }
    items.clear();
    voided = false;
  }
  return paper;
}

std::string LastLine(const std::string& text) {
  std::string last;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) last = line;
  }
  return last;
}

TEST(CrashTest, KilledHostsNeverLoseOrDoubleAReceipt) {
  const int documents = EnvNumber("TAVIREL_CRASH_DOCUMENTS", 12);
  const bool realistic = EnvNumber("TAVIREL_CRASH_REALISTIC", 0) != 0;
  const auto seed = static_cast<unsigned>(EnvNumber("TAVIREL_CRASH_SEED", 20261207));
  TempDir dir;
  std::vector<std::string> server{tavirel::testing::ProgramPath(), "sim", "--state",
                                  dir.File("register.json"), "--journal"};
  if (realistic) server.push_back("--realistic");
  ChildProcess reg(server);
  const std::string announced = reg.ReadLine(std::chrono::seconds(10));
  ASSERT_EQ(announced.rfind("DEVICE ", 0), 0u) << announced;
  const std::string device = announced.substr(7);

  // A receipt run whole first: kills land within its time, before, inside and after its steps.
  const std::string journal_path = dir.File("journal.db");
  const std::string calibration = dir.File("calibration.json");
  std::ofstream(calibration) << Receipt(9999);
  const auto before = std::chrono::steady_clock::now();
  ChildProcess whole({tavirel::testing::ProgramPath(), "receipt", "--device", device, "--journal",
                      journal_path, calibration});
  const auto calibrated = whole.Finish();
  ASSERT_EQ(calibrated.status, 0) << calibrated.out << calibrated.err;
  const auto whole_us = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - before)
                            .count();
  std::mt19937 random(seed);
  std::uniform_int_distribution<long> kill_after_us(0, whole_us);
  std::map<std::string, int> at_kill;  // where the kills landed
  std::map<std::string, int> outcomes;
  std::map<std::string, std::string> status_of;
  std::map<std::string, std::string> last_run_of;  // the last run's outcome, to tell why
  int reruns = 0;
  std::string printed;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < documents; ++i) {
    const std::string file = dir.File("doc" + std::to_string(i) + ".json");
    std::ofstream(file) << Receipt(i);
    const std::vector<std::string> args{tavirel::testing::ProgramPath(),
                                        "receipt",
                                        "--device",
                                        device,
                                        "--journal",
                                        journal_path,
                                        "--json",
                                        file};
    {
      ChildProcess host(args);
      std::this_thread::sleep_for(std::chrono::microseconds(kill_after_us(random)));
      host.Signal(SIGKILL);
      const auto killed = host.Finish();
      Journal journal(journal_path);
      const auto entry = journal.Lookup("crash-" + std::to_string(i));
      ++at_kill[killed.status >= 0 ? "finished before the kill"
                : !entry           ? "killed before the journal had it"
                         : std::string("killed ") + std::string(StatusName(entry->status))];
    }
    std::string status;
    // Failed or queued: nothing went out; run it again.
    for (int attempt = 0;
         attempt < 3 && (status.empty() || status == "failed" || status == "queued"); ++attempt) {
      ++reruns;
      ChildProcess host(args);
      const auto result = host.Finish(std::chrono::seconds(60));
      const Outcome o = ParseOutcome(LastLine(result.out));
      status = std::string(StatusName(o.status));
      last_run_of[Item(i)] = LastLine(result.out);
      EXPECT_NE(result.status, 2) << result.err;
    }
    ++outcomes[status];
    status_of[Item(i)] = status;
    // The register prints as it goes: take its lines now, or its pipe fills and it stops.
    for (std::string line; !(line = reg.ReadLine(std::chrono::milliseconds(20))).empty();) {
      printed += line + "\n";
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  reg.Signal(SIGTERM);
  const Paper paper = ReadPaper(printed + reg.Finish().out);

  for (const auto& [item, status] : status_of) {
    const auto on_paper = paper.closed_items.count(item) ? paper.closed_items.at(item) : 0;
    EXPECT_EQ(on_paper, status == "closed" ? 1 : 0) << item << " " << status;
    EXPECT_NE(status, "uncertain") << item << ": " << last_run_of[item];
  }
  EXPECT_EQ(paper.closed, outcomes["closed"] + 1);  // and the calibration receipt
  EXPECT_EQ(paper.voided, outcomes["voided"]);

  std::cout << "crash test: " << documents << " receipts, seed " << seed
            << (realistic ? ", paced register" : "") << ", a receipt in " << whole_us / 1000
            << " ms, " << seconds << " s in all; kills:";
  for (const auto& [where, n] : at_kill) std::cout << " " << where << " " << n << ";";
  std::cout << " outcomes after " << reruns << " runs again:";
  for (const auto& [s, n] : outcomes) std::cout << " " << s << " " << n;
  std::cout << "; paper: " << paper.closed << " closed, " << paper.voided << " voided" << std::endl;
}

}  // namespace
}  // namespace tavirel::documents::test
