#pragma once
// The built-in simulated register on a pseudo-terminal, reached through the
// real POSIX serial component like any other device.
#include <cstdint>
#include <string>
#include <vector>

#include "tavirel/sim/pty_server.hpp"

namespace tavirel::cli {

struct SimLinkOptions {
  bool lire = false;                // a register in lire (euro otherwise)
  int serial = 123456;              // fiscal serial number of a new register
  std::uint64_t seed = 1;           // of the random fault switches
  std::string state_path;           // keep the register in this file ("" for none)
  bool pace = false;                // realistic line speed and processing times
  std::vector<std::string> faults;  // fault switches: "no-ack", "error=21@0.1", ...
  std::string link_path;            // also reachable at this symbolic link
  std::string paper_path;           // one JSON line per finished document ("" for none)
};

class SimLink {
 public:
  /// Starts serving. Throws SimError or StateFileError naming the problem.
  explicit SimLink(const SimLinkOptions& options);

  [[nodiscard]] const std::string& DevicePath() const { return sim_.server->DevicePath(); }
  [[nodiscard]] sim::SimulatedRegister& Register() { return *sim_.reg; }
  [[nodiscard]] sim::PtyServer& Server() { return *sim_.server; }

 private:
  sim::PtySimulator sim_;
};

/// The journal as printed: each document's lines, a blank line between documents.
std::string JournalText(const std::vector<sim::JournalDocument>& documents);

}  // namespace tavirel::cli
