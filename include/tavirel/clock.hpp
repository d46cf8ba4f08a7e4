#pragma once
// The clock the reply limits are counted on: monotonic, injectable so that
// timing is tested in virtual time.
#include <chrono>
#include <mutex>

#include "tavirel/export.hpp"

namespace tavirel {

class TAVIREL_API Clock {
 public:
  using time_point = std::chrono::steady_clock::time_point;
  virtual ~Clock() = default;
  [[nodiscard]] virtual time_point Now() = 0;
};

/// The process's steady clock.
class TAVIREL_API SteadyClock final : public Clock {
 public:
  [[nodiscard]] time_point Now() override { return std::chrono::steady_clock::now(); }
};

/// A clock that moves only when told to; thread-safe.
class TAVIREL_API ManualClock final : public Clock {
 public:
  [[nodiscard]] time_point Now() override {
    std::lock_guard lock(mutex_);
    return now_;
  }
  void Advance(std::chrono::steady_clock::duration by) {
    std::lock_guard lock(mutex_);
    now_ += by;
  }
  void Set(time_point at) {
    std::lock_guard lock(mutex_);
    now_ = at;
  }

 private:
  std::mutex mutex_;
  time_point now_{};
};

}  // namespace tavirel
