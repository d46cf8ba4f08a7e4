#pragma once
// The soak run's checks and figures: what the host saw against what the
// register holds.
#include <cstdio>
#include <string>
#include <vector>

#include "register_process.hpp"
#include "soak_host.hpp"

namespace tavirel::soak {

struct MemoryFigures {
  long warm_kib = 0;  // resident after warm-up
  long max_kib = 0;   // the most resident after warm-up
  long bound_kib = 0;
};

struct RunFigures {
  double seconds = 0;
  long probes = 1;  // the PortOpen probe is a request too
  MemoryFigures memory;
};

/// The failed checks, one text each; empty when the run holds.
std::vector<std::string> Check(const SoakHost& host, const RegisterReport& reg,
                               const RunFigures& run);
/// Prints the figures of the run.
void Print(std::FILE* out, const SoakHost& host, const RegisterReport& reg, const RunFigures& run);

}  // namespace tavirel::soak
