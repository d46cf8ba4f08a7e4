#pragma once
// The register on the far end of the in-memory null-modem pair.
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "tavirel/clock.hpp"
#include "tavirel/null_modem.hpp"
#include "tavirel/sim/simulated_register.hpp"

namespace tavirel::sim {

/// In virtual time: installs a wait hook on the host's end, so whenever the
/// driver waits for input the manual clock moves on (to the register's next
/// byte, at most by the wait's slice) and the bytes are exchanged. A whole
/// exchange, timeouts included, runs without sleeping.
class VirtualTimeLink {
 public:
  VirtualTimeLink(SimulatedRegister& reg, NullModemPort& host_end,
                  std::unique_ptr<NullModemPort> far_end, std::shared_ptr<ManualClock> clock);
  ~VirtualTimeLink();
  VirtualTimeLink(const VirtualTimeLink&) = delete;
  VirtualTimeLink& operator=(const VirtualTimeLink&) = delete;

  /// Moves what the host wrote to the register and what is due back; sets
  /// Clear To Send. Returns true when bytes went to the host.
  bool Pump();
  [[nodiscard]] NullModemPort& FarEnd() { return *far_; }

 private:
  void OnWait(std::chrono::milliseconds slice);

  SimulatedRegister& reg_;
  NullModemPort& host_;
  std::unique_ptr<NullModemPort> far_;
  std::shared_ptr<ManualClock> clock_;
};

/// In real time: a thread serves the far end until the link is destroyed.
class ThreadedLink {
 public:
  ThreadedLink(SimulatedRegister& reg, std::unique_ptr<NullModemPort> far_end,
               std::shared_ptr<Clock> clock = nullptr);
  ~ThreadedLink();
  ThreadedLink(const ThreadedLink&) = delete;
  ThreadedLink& operator=(const ThreadedLink&) = delete;
  /// What stopped the thread (a hang-up, a state file that cannot be
  /// written), or null while it serves.
  [[nodiscard]] std::exception_ptr Failure() const;

 private:
  void Run();

  mutable std::mutex failure_mutex_;
  std::exception_ptr failure_;
  SimulatedRegister& reg_;
  std::unique_ptr<NullModemPort> far_;
  std::shared_ptr<Clock> clock_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace tavirel::sim
