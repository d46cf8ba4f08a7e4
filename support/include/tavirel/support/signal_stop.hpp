#pragma once
// SIGINT, SIGTERM and SIGHUP for a program that holds a port (the command
// line, the service): the signals are blocked in the calling thread (and so
// in every thread it starts after) and taken by a thread of this object,
// which records the first one, runs the stop action (ending the wait of the
// call in progress) and wakes a wait on standard input; every later one runs
// the "again" action (the service cancels the waits it let finish). The
// command then closes its port and exits 128 + the signal's number. No
// handler runs in signal context, so there is no global state.
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "tavirel/tavirel_control.hpp"

namespace tavirel::support {

class SignalStop {
 public:
  /// Blocks the signals in the calling thread and starts watching. Create it
  /// before any other thread of the process starts. Throws std::system_error.
  SignalStop();
  /// Stops watching. The signals stay blocked: the command is ending.
  ~SignalStop();
  SignalStop(const SignalStop&) = delete;
  SignalStop& operator=(const SignalStop&) = delete;

  /// What to do when a signal comes (from the watching thread; it must be
  /// safe from another thread). Runs at once if one already came. An empty
  /// action disarms; call that before what the action uses goes away.
  void Arm(std::function<void()> action);
  /// What to do at every signal after the first (from the watching thread).
  void ArmAgain(std::function<void()> action);

  /// The first signal that came, or 0.
  [[nodiscard]] int Caught() const noexcept { return caught_.load(); }
  /// A descriptor that becomes readable once a signal came (for poll).
  [[nodiscard]] int WakeFd() const noexcept { return wake_fd_; }

  /// "SIGINT", "SIGTERM", "SIGHUP" (the number for another).
  static const char* Name(int signal_number);

 private:
  void Watch();

  int signal_fd_ = -1;
  int wake_fd_ = -1;  // an eventfd: written once a signal came
  int quit_fd_ = -1;  // an eventfd: written to end the watching thread
  std::atomic<int> caught_{0};
  std::mutex mutex_;
  std::function<void()> action_;
  std::function<void()> again_;
  std::thread thread_;
};

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
