#pragma once
// The built-in simulated register for the commands that start one. On POSIX
// systems it serves a pseudo-terminal, reached through the real serial
// component like any other device; on Windows it runs in process at the far
// end of the in-memory null-modem pair, and the control takes the near end.
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "tavirel/serial_port.hpp"
#include "tavirel/sim/simulated_register.hpp"

namespace tavirel::cli {

struct SimLinkOptions {
  bool lire = false;                // a register in lire (euro otherwise)
  int serial = 123456;              // fiscal serial number of a new register
  std::uint64_t seed = 1;           // of the random fault switches
  std::string state_path;           // keep the register in this file ("" for none)
  bool pace = false;                // realistic line speed and processing times
  std::vector<std::string> faults;  // fault switches: "no-ack", "error=21@0.1", ...
  std::string link_path;            // also reachable at this symbolic link (POSIX)
  std::string paper_path;           // one JSON line per finished document ("" for none)
};

/// The register's options from the link's. Throws SimError for a fault
/// switch that does not parse.
sim::SimOptions MakeSimOptions(const SimLinkOptions& options);

class SimLink {
 public:
  /// Starts serving. Throws SimError or StateFileError naming the problem.
  explicit SimLink(const SimLinkOptions& options);
  ~SimLink();
  SimLink(const SimLink&) = delete;
  SimLink& operator=(const SimLink&) = delete;

  /// Where the register is: the pseudo-terminal's path, or on Windows a
  /// description of the in-process link (not a port name).
  [[nodiscard]] const std::string& DevicePath() const;
  [[nodiscard]] sim::SimulatedRegister& Register();
  /// The port a control reaches the register through when DevicePath does
  /// not name one (the null-modem end on Windows), the first time it is
  /// asked for; null otherwise.
  std::unique_ptr<SerialPort> TakeHostPort();
  /// What stopped the register's serving thread, or null while it serves.
  [[nodiscard]] std::exception_ptr Failure() const;

 private:
  struct State;  // the platform's
  std::unique_ptr<State> state_;
};

/// The journal as printed: each document's lines, a blank line between documents.
std::string JournalText(const std::vector<sim::JournalDocument>& documents);

}  // namespace tavirel::cli
