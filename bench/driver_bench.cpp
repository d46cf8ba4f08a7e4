// The driver's rows of scripts/bench (see bench_table.hpp for the form).
//   bench_driver [rounds, default 7] [exchanges per round, default 2000]
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "driver_measures.hpp"

int main(int argc, char** argv) {
  using namespace tavirel::bench;
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
  const int exchanges = argc > 2 ? std::atoi(argv[2]) : 2000;
  try {
    for (const Row& row : MeasureDriver(rounds, exchanges)) PrintRow(row);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_driver: %s\n", e.what());
    return 2;
  }
  return 0;
}
