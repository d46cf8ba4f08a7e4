#pragma once
// The rows of scripts/bench's table. Every measuring program prints rows in
// one tab-separated form, and the script lays them out side by side:
//   what, unit, min, median, max, compared with, its median, target, verdict
// A row with no comparison leaves those two fields empty; the script then
// prints no ratio. New rows need no change to the script.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tavirel::bench {

/// Min, median and max over repeated rounds.
struct Stats {
  double min = 0;
  double median = 0;
  double max = 0;
};

inline Stats StatsOf(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  return {values.front(), values[values.size() / 2], values.back()};
}

/// Runs `round` `rounds` times (after one round to warm up) and keeps what
/// each returned.
inline Stats Rounds(int rounds, const std::function<double()>& round) {
  round();
  std::vector<double> values;
  for (int i = 0; i < rounds; ++i) values.push_back(round());
  return StatsOf(values);
}

struct Row {
  std::string what;
  std::string unit;
  Stats value;
  std::string versus;  // what the value is compared with; "" for none
  Stats versus_value;
  std::string target;  // e.g. "<= 1.0x", "<= 0.0001"; "" for none
  bool met = true;
};

inline void PrintRow(const Row& r) {
  const bool compared = !r.versus.empty();
  std::printf("%s\t%s\t%.6g\t%.6g\t%.6g\t%s\t", r.what.c_str(), r.unit.c_str(), r.value.min,
              r.value.median, r.value.max, r.versus.c_str());
  if (compared) std::printf("%.6g", r.versus_value.median);
  std::printf("\t%s\t%s\n", r.target.c_str(), r.target.empty() ? "" : (r.met ? "met" : "MISSED"));
  std::fflush(stdout);
}

}  // namespace tavirel::bench
