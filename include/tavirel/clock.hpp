#pragma once
// The clock the reply limits are counted on: monotonic, injectable so that
// timing is tested in virtual time.
#include <atomic>
#include <chrono>
#include <mutex>

#include "tavirel/export.hpp"

namespace tavirel {

/// A monotonic clock. The control reads it on its caller's thread, once per
/// read of the line; it shares ownership of the clock it was given. The
/// control sleeps on its port for the time this clock says is left of a
/// limit: in one sleep when the clock keeps the port's time (KeepsPortTime),
/// otherwise a second at most before it looks again, so a clock that runs
/// ahead (a test's fast clock) still ends every limit in its own time. Input
/// read more than 20 ms past a limit's end, by this clock, does not count.
class TAVIREL_API Clock {
 public:
  using time_point = std::chrono::steady_clock::time_point;
  virtual ~Clock() = default;
  /// The time now; never goes back.
  [[nodiscard]] virtual time_point Now() = 0;
  /// True when the clock moves as the port's waits do (the steady clock), so
  /// a wait may sleep to the end of a limit at once. False by default.
  [[nodiscard]] virtual bool KeepsPortTime() const { return false; }
};

/// The process's steady clock. Thread-safe.
class TAVIREL_API SteadyClock final : public Clock {
 public:
  /// std::chrono::steady_clock::now().
  [[nodiscard]] time_point Now() override { return std::chrono::steady_clock::now(); }
  /// True: the ports wait on the same clock.
  [[nodiscard]] bool KeepsPortTime() const override { return true; }
};

/// A clock that moves only when told to (virtual time in tests); thread-safe.
/// It starts at the steady clock's epoch.
class TAVIREL_API ManualClock final : public Clock {
 public:
  /// The time it was last moved to.
  [[nodiscard]] time_point Now() override {
    std::lock_guard lock(mutex_);
    return now_;
  }
  /// Moves on by `by`.
  void Advance(std::chrono::steady_clock::duration by) {
    std::lock_guard lock(mutex_);
    now_ += by;
  }
  /// Moves to `at` (a test's starting point; never back while in use).
  void Set(time_point at) {
    std::lock_guard lock(mutex_);
    now_ = at;
  }
  /// What KeepsPortTime answers: a test that moves the clock from the port's
  /// waits, by what each wait asked, says true.
  void SetKeepsPortTime(bool keeps) { keeps_port_time_ = keeps; }
  /// As set; false until then.
  [[nodiscard]] bool KeepsPortTime() const override { return keeps_port_time_; }

 private:
  std::mutex mutex_;
  time_point now_{};
  std::atomic<bool> keeps_port_time_{false};
};

}  // namespace tavirel
