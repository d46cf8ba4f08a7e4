#pragma once
// The register behind a pseudo-terminal it creates, so a driver (or any
// program) opens the device path as it would a serial port. A pty has no
// modem lines: "off" there means nothing is answered.
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tavirel/sim/simulated_register.hpp"

namespace tavirel::sim {

struct PtyOptions {
  /// Also reachable at this path, as a symbolic link to the device. An
  /// existing path is an error (nothing is removed), except a link a killed
  /// register left: one to a pseudo-terminal that no longer exists. The link
  /// is removed at the end if it still leads to this register's device.
  std::string link_path;
};

class PtyServer {
 public:
  /// Creates the pseudo-terminal and starts serving it on a thread. Throws
  /// SimError naming what failed.
  explicit PtyServer(SimulatedRegister& reg, PtyOptions options = {});
  /// Stops the thread, closes the terminal and removes its own link.
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  /// The terminal's device path, e.g. /dev/pts/3.
  [[nodiscard]] const std::string& DevicePath() const { return device_; }
  /// The link path, or "" when none was asked for.
  [[nodiscard]] const std::string& LinkPath() const { return options_.link_path; }
  /// What stopped the serving thread (a state file that cannot be written),
  /// or null while it serves.
  [[nodiscard]] std::exception_ptr Failure() const;

 private:
  void Run();
  void Serve();
  void WriteOut(const std::string& bytes);

  mutable std::mutex failure_mutex_;
  std::exception_ptr failure_;
  bool linked_ = false;
  SimulatedRegister& reg_;
  PtyOptions options_;
  int master_ = -1;
  int slave_ = -1;  // kept open so the terminal outlives the host's opens
  int wake_[2] = {-1, -1};
  std::string device_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

/// A register served on a pseudo-terminal: what a command-line host starts.
struct PtySimulator {
  std::unique_ptr<SimulatedRegister> reg;
  std::unique_ptr<PtyServer> server;
};
PtySimulator StartOnPty(SimOptions options, PtyOptions pty = {});

}  // namespace tavirel::sim
