#pragma once
// The simulated register built into the service for a register whose
// device is "sim". On POSIX systems it serves a pseudo-terminal, reached
// through the real serial port like any device; on Windows it runs in
// process at the far end of the in-memory null-modem pair. Each platform's
// part is a file of its own (builtin_register_posix.cpp, _win.cpp).
//
// Thread safety: MakePort one thread at a time (the register's worker);
// Register from any thread.
#include <memory>

#include "tavirel/serial_port.hpp"
#include "tavirel/sim/simulated_register.hpp"

namespace tavirel::service {

class BuiltInRegister {
 public:
  /// Starts serving. Throws SimError naming the problem.
  explicit BuiltInRegister(sim::SimOptions options);
  ~BuiltInRegister();
  BuiltInRegister(const BuiltInRegister&) = delete;
  BuiltInRegister& operator=(const BuiltInRegister&) = delete;

  /// A new, closed port to the register. The register keeps its state
  /// across ports; a port made earlier must be closed first.
  std::unique_ptr<SerialPort> MakePort();

  /// The register itself, for its switches (its own lock guards them); it
  /// lives as long as this object.
  [[nodiscard]] sim::SimulatedRegister& Register() const noexcept;

 private:
  struct State;  // the platform's
  std::unique_ptr<State> state_;
};

}  // namespace tavirel::service
