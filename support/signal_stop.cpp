// What both platforms' stop watchers share.
#include "tavirel/support/signal_stop.hpp"

namespace tavirel::support {

void SignalStop::Arm(std::function<void()> action) {
  std::lock_guard lock(mutex_);
  action_ = std::move(action);
  if (caught_.load() != 0 && action_) action_();
}

void SignalStop::ArmAgain(std::function<void()> action) {
  std::lock_guard lock(mutex_);
  again_ = std::move(action);
}

void SignalStop::Wait() {
  std::unique_lock lock(mutex_);
  came_.wait(lock, [this] { return caught_.load() != 0; });
}

bool SignalStop::Fire(int signal_number) {
  int expected = 0;
  const bool first = caught_.compare_exchange_strong(expected, signal_number);
  std::lock_guard lock(mutex_);
  if (first && action_) action_();
  if (!first && again_) again_();
  came_.notify_all();
  return first;
}

}  // namespace tavirel::support
