#pragma once
// The clock the reply limits are counted on: monotonic, injectable so that
// timing is tested in virtual time.
#include <chrono>
#include <mutex>

namespace tavirel {

/// A monotonic clock. The control reads it on its caller's thread, once per
/// read of the line; it shares ownership of the clock it was given. The
/// control sleeps on its port for the time this clock says is left of a
/// limit, so a clock should keep the port's time (the steady clock, or a
/// manual clock a test moves from the port's waits). One that runs ahead
/// still ends every limit in its own time: a sleep lasts a second at most,
/// and input read more than 20 ms past the limit's end, by its time, does
/// not count.
class Clock {
 public:
  using time_point = std::chrono::steady_clock::time_point;
  virtual ~Clock() = default;
  /// The time now; never goes back.
  [[nodiscard]] virtual time_point Now() = 0;
};

/// The process's steady clock. Thread-safe.
class SteadyClock final : public Clock {
 public:
  /// std::chrono::steady_clock::now().
  [[nodiscard]] time_point Now() override { return std::chrono::steady_clock::now(); }
};

/// A clock that moves only when told to (virtual time in tests); thread-safe.
/// It starts at the steady clock's epoch.
class ManualClock final : public Clock {
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

 private:
  std::mutex mutex_;
  time_point now_{};
};

}  // namespace tavirel
