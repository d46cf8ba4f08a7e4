// The simulated register's own costs with history, one row each, tab-separated:
// what, value, unit, comparison, ratio and whether its target is met.
//   - sale lines per second, fresh, after 2,000 fiscal closures and at line
//     6,000 of one receipt, with and without a state file (median of rounds
//     taken in turn, so a busy machine weighs on all alike);
//   - resident memory of a process holding only the register after 100,000
//     operations (receipts, reports, closures).
//   bench_sim [rounds, 1 to 9, default 7]
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tavirel/sim/simulated_register.hpp"

namespace {

using tavirel::sim::RegisterModel;
using tavirel::sim::SimOptions;
using tavirel::sim::SimulatedRegister;
using tavirel::sim::StateFile;

constexpr double kTargetRatio = 1.25;
constexpr double kTargetMiB = 8.0;

std::string Digits(long long value, int width) {
  std::string text = std::to_string(value);
  return std::string(static_cast<std::size_t>(std::max(0, width - static_cast<int>(text.size()))),
                     '0') +
         text;
}

// Command strings written field by field, as the register reads them.
std::string SaleLine(long long cents) {
  std::string description = "ARTICOLO";
  description.resize(20, ' ');
  return "1003" + Digits(1, 2) + std::string(40, '0') + description + Digits(1000, 7) + "1" +
         Digits(cents, 9) + Digits(1, 2);
}
const std::string kCash = "1036" + Digits(1, 2) + Digits(0, 9);
const std::string kClosure = "300101";
const std::string kXReport = "200101";

enum class History { Fresh, Closures, LongReceipt };

struct Setup {
  const char* name;
  History history;
  bool state;
};

class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tavirel-bench-sim-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  [[nodiscard]] std::string File(const char* name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The history, run on whatever executes commands.
template <typename Run>
void MakeHistory(History history, Run run) {
  if (history == History::Closures) {
    for (int day = 0; day < 2000; ++day) {
      run(SaleLine(100 + day % 50));
      run(kCash);
      run(kClosure);
    }
  }
  const int lines = history == History::LongReceipt ? 6000 : 1;
  for (int i = 0; i < lines; ++i) run(SaleLine(100 + i % 50));
}

// A register in the setup's history; with a state file, the history is
// made in memory and saved, then read back as a start would.
std::unique_ptr<SimulatedRegister> Build(const Setup& setup, const TempDir& dir) {
  SimOptions options;
  if (!setup.state) {
    auto reg = std::make_unique<SimulatedRegister>(options);
    MakeHistory(setup.history, [&](const std::string& c) { reg->Execute(c); });
    return reg;
  }
  RegisterModel model;
  MakeHistory(setup.history, [&](const std::string& c) { model.Execute(c); });
  options.state_path = dir.File(setup.name);
  StateFile(options.state_path).Save(model.State(), model.FiscalMemory());
  return std::make_unique<SimulatedRegister>(options);
}

double Seconds(clockid_t clock) {
  timespec t{};
  ::clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Sale lines per second of `clock`: the thread's CPU time where the work is
// the register's alone (a busy machine then weighs little), the wall clock
// where waiting for the disk is the cost.
double OpsPerSecond(SimulatedRegister& reg, int ops, clockid_t clock) {
  const double start = Seconds(clock);
  for (int i = 0; i < ops; ++i) {
    if (reg.Execute(SaleLine(100 + i % 50)).rfind("1003", 0) != 0)
      throw std::runtime_error("a sale line was refused");
  }
  return ops / (Seconds(clock) - start);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void Row(const std::string& what, double value, const char* unit, const std::string& comparison,
         const std::string& ratio, bool met) {
  std::printf("%s\t%.4g\t%s\t%s\t%s\t%s\n", what.c_str(), value, unit, comparison.c_str(),
              ratio.c_str(), met ? "met" : "MISSED");
  std::fflush(stdout);
}

void MeasureThroughput(bool state, int rounds) {
  const Setup setups[] = {
      {"fresh", History::Fresh, state},
      {"after 2,000 closures", History::Closures, state},
      {"at line 6,000 of one receipt", History::LongReceipt, state},
  };
  // A round takes a fraction of a second either way; all rounds keep the long
  // receipt within the register's 10,000 entries.
  const int ops = state ? 60 : 400;
  const clockid_t clock = state ? CLOCK_MONOTONIC : CLOCK_THREAD_CPUTIME_ID;
  TempDir dir;
  std::vector<std::unique_ptr<SimulatedRegister>> regs;
  for (const Setup& s : setups) regs.push_back(Build(s, dir));
  std::vector<std::vector<double>> rates(std::size(setups));
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t i = 0; i < regs.size(); ++i)
      rates[i].push_back(OpsPerSecond(*regs[i], ops, clock));
  }
  const double fresh = Median(rates[0]);
  const std::string with =
      state ? "with a state file (wall clock)" : "without a state file (per CPU second)";
  Row("sim: sale lines/s " + with + ", fresh", fresh, "ops/s", "", "", true);
  for (std::size_t i = 1; i < regs.size(); ++i) {
    const double rate = Median(rates[i]);
    const double ratio = fresh / rate;
    char text[96];
    std::snprintf(text, sizeof text, "%.2fx slower (target <= %.2fx)", ratio, kTargetRatio);
    char comparison[64];
    std::snprintf(comparison, sizeof comparison, "fresh %.0f ops/s", fresh);
    Row("sim: sale lines/s " + with + ", " + setups[i].name, rate, "ops/s", comparison, text,
        ratio <= kTargetRatio);
  }
}

long StatusKib(const char* key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size());
  }
  return -1;
}

// In a child process of its own, so its memory is the register's alone.
void MeasureMemory() {
  int out[2];
  if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(out[0]);
    long before = 0, after = 0, peak = 0;
    {
      SimulatedRegister reg;
      before = StatusKib("VmRSS:");
      long ops = 0;
      for (long receipt = 1; ops < 100'000; ++receipt) {
        for (int line = 0; line < 5; ++line, ++ops) reg.Execute(SaleLine(100 + line));
        reg.Execute(kCash);
        ++ops;
        if (receipt % 500 == 0) reg.Execute(kXReport), ++ops;
        if (receipt % 1000 == 0) reg.Execute(kClosure), ++ops;
      }
      after = StatusKib("VmRSS:");
      peak = StatusKib("VmHWM:");
    }
    const std::string text =
        std::to_string(before) + " " + std::to_string(after) + " " + std::to_string(peak);
    [[maybe_unused]] const auto n = ::write(out[1], text.data(), text.size());
    ::_exit(0);
  }
  ::close(out[1]);
  char buffer[128] = {};
  [[maybe_unused]] const auto n = ::read(out[0], buffer, sizeof buffer - 1);
  ::close(out[0]);
  ::waitpid(pid, nullptr, 0);
  long before = 0, after = 0, peak = 0;
  if (std::sscanf(buffer, "%ld %ld %ld", &before, &after, &peak) != 3)
    throw std::runtime_error("the memory child said nothing");
  char comparison[64];
  std::snprintf(comparison, sizeof comparison, "%.1f MiB before the first", before / 1024.0);
  char target[64];
  std::snprintf(target, sizeof target, "peak %.1f MiB (target <= %.0f MiB)", peak / 1024.0,
                kTargetMiB);
  Row("sim: resident memory after 100,000 operations", after / 1024.0, "MiB", comparison, target,
      peak / 1024.0 <= kTargetMiB);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 9) : 7;
  try {
    MeasureMemory();  // first: the child starts from a process holding nothing yet
    MeasureThroughput(false, rounds);
    MeasureThroughput(true, rounds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_sim: %s\n", e.what());
    return 2;
  }
  return 0;
}
