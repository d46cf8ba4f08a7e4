// The measurements against the simulated register, as rows of
// scripts/bench's table (bench_table.hpp).
//   bench_line [rounds, default 7]
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
#ifdef TAVIREL_CLI_PATH
    for (const Row& row : MeasureCallMemory(TAVIREL_CLI_PATH)) PrintRow(row);
#endif
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_line: %s\n", e.what());
    return 2;
  }
  return 0;
}
