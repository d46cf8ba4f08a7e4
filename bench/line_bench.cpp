// The measurements that need a real line, one per row, tab-separated:
// what, value, unit, target, "met" or "MISSED". scripts/bench prints them
// with the Google Benchmark figures as one table.
//   bench_line [seconds of round trips, default 5]
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "line_measures.hpp"

namespace {

void Print(const tavirel::bench::Figure& f) {
  std::printf("%s\t%.4g\t%s\t%s\t%s\n", f.what.c_str(), f.value, f.unit.c_str(), f.target.c_str(),
              f.target.empty() ? "" : (f.met ? "met" : "MISSED"));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tavirel::bench;
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
  try {
    Print(MeasureBarePty(20000));
    Print(MeasureRoundTrips(std::chrono::seconds(seconds)));
    Print(MeasureWireRatio(5));
    Print(MeasureWaitingCpu(std::chrono::milliseconds(5000)));
#ifdef TAVIREL_CLI_PATH
    for (const auto& f : MeasureCallMemory(TAVIREL_CLI_PATH)) Print(f);
#endif
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_line: %s\n", e.what());
    return 2;
  }
  return 0;
}
