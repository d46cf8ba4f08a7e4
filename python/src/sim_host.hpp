#pragma once
// A simulated register held for Python: in process (a control connects to it
// through an in-memory null-modem pair served on a thread) or behind a
// pseudo-terminal it creates. Shared by the Python object and the controls
// connected to it, so it lives as long as either.
#include <memory>
#include <mutex>
#include <string>

#include "tavirel/null_modem.hpp"
#include "tavirel/sim/null_modem_link.hpp"
#include "tavirel/sim/pty_server.hpp"
#include "tavirel/sim/simulated_register.hpp"

namespace tavirel::python {

/// Thread-safe: the register is; the connection and the terminal are
/// guarded by a mutex of their own.
class SimHost {
 public:
  /// In virtual time a connected control's exchanges run on its own
  /// thread, on a manual clock moved by its waits: a lost reply's limit
  /// passes at once. In real time a thread serves the line.
  SimHost(sim::SimOptions options, bool virtual_time);
  ~SimHost();
  SimHost(const SimHost&) = delete;
  SimHost& operator=(const SimHost&) = delete;

  [[nodiscard]] sim::SimulatedRegister& Register() { return reg_; }

  /// Serves the register on a new pseudo-terminal (also at `link_path`
  /// when not empty). Throws SimError when it cannot, or when one is served.
  void StartPty(const std::string& link_path);
  /// Stops serving the terminal; nothing when none is served.
  void StopPty();
  /// The terminal's device path, or "" when none is served.
  [[nodiscard]] std::string Device() const;

  /// One in-process connection: the host's end of a pair and, in real
  /// time, the thread that serves the far end (destroyed after the port's
  /// control); in virtual time the far end and the clock, for a
  /// VirtualTimeLink the control's owner makes (and destroys before the control).
  struct Connection {
    std::unique_ptr<NullModemPort> port;
    std::unique_ptr<sim::ThreadedLink> threaded;
    std::unique_ptr<NullModemPort> far;
    std::shared_ptr<ManualClock> clock;
  };
  /// Throws SimError while another control is connected in process: two
  /// hosts on one line would read each other's replies.
  Connection Connect();
  /// Ends the connection (after its control is gone).
  void Disconnect();

 private:
  sim::SimulatedRegister reg_;
  mutable std::mutex mutex_;
  std::unique_ptr<sim::PtyServer> pty_;
  bool connected_ = false;
  bool virtual_time_ = false;
};

}  // namespace tavirel::python
