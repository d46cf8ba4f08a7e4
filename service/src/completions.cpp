#include "completions.hpp"

namespace tavirel::service {

struct Completions::Watch::Slot {
  std::size_t watchers = 0;
  std::size_t signals = 0;
};

Completions::Watch::Watch(Completions& owner, std::string key, std::shared_ptr<Slot> slot,
                          std::size_t seen)
    : owner_(owner), key_(std::move(key)), slot_(std::move(slot)), seen_(seen) {}

Completions::Wake Completions::Watch::Wait(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(owner_.mutex_);
  owner_.changed_.wait_until(lock, deadline,
                             [&] { return owner_.stopping_ || slot_->signals > seen_; });
  if (slot_->signals > seen_) return Wake::Ended;
  return owner_.stopping_ ? Wake::Stopping : Wake::TimedOut;
}

Completions::Watch::~Watch() {
  std::lock_guard lock(owner_.mutex_);
  if (--slot_->watchers == 0) owner_.slots_.erase(key_);
}

std::unique_ptr<Completions::Watch> Completions::Begin(const std::string& key) {
  std::lock_guard lock(mutex_);
  auto& slot = slots_[key];
  if (!slot) slot = std::make_shared<Watch::Slot>();
  ++slot->watchers;
  return std::unique_ptr<Watch>(new Watch(*this, key, slot, slot->signals));
}

void Completions::Signal(const std::string& key) {
  std::lock_guard lock(mutex_);
  const auto found = slots_.find(key);
  if (found == slots_.end()) return;
  ++found->second->signals;
  changed_.notify_all();
}

void Completions::Stop() {
  std::lock_guard lock(mutex_);
  stopping_ = true;
  changed_.notify_all();
}

std::size_t Completions::Watched() const {
  std::lock_guard lock(mutex_);
  return slots_.size();
}

}  // namespace tavirel::service
