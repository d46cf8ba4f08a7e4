// What both platforms' stop watchers share.
#include "signal_stop.hpp"

namespace tavirel::cli {

void SignalStop::Arm(std::function<void()> action) {
  std::lock_guard lock(mutex_);
  action_ = std::move(action);
  if (caught_.load() != 0 && action_) action_();
}

bool SignalStop::Fire(int signal_number) {
  int expected = 0;
  if (!caught_.compare_exchange_strong(expected, signal_number)) return false;
  std::lock_guard lock(mutex_);
  if (action_) action_();
  return true;
}

}  // namespace tavirel::cli
