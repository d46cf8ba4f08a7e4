// The measurements against the simulated register, as rows of
// scripts/bench's table (bench_table.hpp).
//   bench_line [rounds, default 7]  (TAVIREL_CLI=PATH: measure that tavirel instead)
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "line_measures.hpp"

int main(int argc, char** argv) {
  using namespace tavirel::bench;
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
  try {
    PrintRow(MeasureRoundTrips(rounds));
    PrintRow(MeasureWireRatio(rounds));
    for (const Row& row : MeasurePacedWakeUps(rounds)) PrintRow(row);
    PrintRow(MeasureColdTouch(rounds));
#ifdef TAVIREL_CLI_PATH
    // TAVIREL_CLI names another build of the program to measure.
    const char* other = std::getenv("TAVIREL_CLI");
    const std::string cli = other != nullptr ? other : TAVIREL_CLI_PATH;
    for (const Row& row : MeasureCallMemory(cli)) PrintRow(row);
    PrintRow(MeasureCallMemoryGrowth(cli, 3));
#endif
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_line: %s\n", e.what());
    return 2;
  }
  return 0;
}
