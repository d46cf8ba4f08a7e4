#pragma once
// Stop requests for a program that holds a port (the command line, the
// service): SIGINT, SIGTERM and SIGHUP on POSIX systems; Ctrl+C, Ctrl+Break
// and the console closing on Windows. On POSIX the signals are blocked in
// the calling thread (and so in every thread it starts after) and taken by a
// thread of this object; on Windows the console's handler passes them to
// that thread. The thread records the first one, runs the stop action
// (ending the wait of the call in progress) and wakes a wait on standard
// input; every later one runs the "again" action (the service cancels the
// waits it let finish). The command then closes its port and exits 128 +
// the signal's number. No handler touches global state.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "tavirel/tavirel_control.hpp"

namespace tavirel::support {

class SignalStop {
 public:
  /// Starts watching (on POSIX: blocks the signals in the calling thread).
  /// Create it before any other thread of the process starts. Throws
  /// std::system_error.
  SignalStop();
  /// Stops watching. On POSIX the signals stay blocked: the command is ending.
  ~SignalStop();
  SignalStop(const SignalStop&) = delete;
  SignalStop& operator=(const SignalStop&) = delete;

  /// What to do when a signal comes (from the watching thread; it must be
  /// safe from another thread). Runs at once if one already came. An empty
  /// action disarms; call that before what the action uses goes away.
  void Arm(std::function<void()> action);
  /// What to do at every signal after the first (from the watching thread).
  void ArmAgain(std::function<void()> action);

  /// As if `signal_number` came: from any thread (a Windows service's
  /// control handler stops the program this way).
  void Request(int signal_number) { Fire(signal_number); }
  /// Waits until a signal came (from any thread but the watching one).
  void Wait();

  /// The first signal that came (Ctrl+C counts as SIGINT, Ctrl+Break and
  /// the console closing as SIGTERM), or 0.
  [[nodiscard]] int Caught() const noexcept { return caught_.load(); }
  /// A descriptor that becomes readable once a signal came (for poll); -1
  /// on Windows, where a console read ends on Ctrl+C by itself.
  [[nodiscard]] int WakeFd() const noexcept;

  /// "SIGINT", "SIGTERM", "SIGHUP" (the number for another).
  static const char* Name(int signal_number);

 private:
  struct Sources;  // the platform's: a signalfd and eventfds, or console events
  void Watch();
  // The first signal: recorded, the action run, true. A later one: the
  // "again" action run, false.
  bool Fire(int signal_number);

  std::unique_ptr<Sources> sources_;
  std::atomic<int> caught_{0};
  std::mutex mutex_;
  std::condition_variable came_;
  std::function<void()> action_;
  std::function<void()> again_;
  std::thread thread_;
};

/// A write to a reader that went away is an error the run reports, not a
/// signal that ends the program (nothing to do on Windows, which has none).
void IgnoreBrokenPipe();

/// While it lives, a stop signal cancels the wait of `control`'s call.
class CancelOnStop {
 public:
  CancelOnStop(SignalStop& stop, TavirelControl& control) : stop_(stop) {
    stop_.Arm([&control] { control.CancelWait(); });
  }
  ~CancelOnStop() { stop_.Arm({}); }
  CancelOnStop(const CancelOnStop&) = delete;
  CancelOnStop& operator=(const CancelOnStop&) = delete;

 private:
  SignalStop& stop_;
};

}  // namespace tavirel::support
