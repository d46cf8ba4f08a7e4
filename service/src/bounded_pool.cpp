#include "bounded_pool.hpp"

#include <algorithm>

namespace tavirel::service {

BoundedPool::BoundedPool(std::size_t threads, std::size_t waiting)
    : waiting_limit_(std::max<std::size_t>(waiting, 1)) {
  for (std::size_t i = 0; i < std::max<std::size_t>(threads, 1); ++i) {
    threads_.emplace_back([this] { Work(); });
  }
}

BoundedPool::~BoundedPool() { Shutdown(); }

void BoundedPool::Enqueue(std::function<void()> job) {
  std::unique_lock lock(mutex_);
  has_room_.wait(lock, [&] { return shutdown_ || jobs_.size() < waiting_limit_; });
  jobs_.push_back(std::move(job));
  has_job_.notify_one();
}

void BoundedPool::Shutdown() {
  {
    std::lock_guard lock(mutex_);
    shutdown_ = true;
  }
  has_job_.notify_all();
  has_room_.notify_all();
  for (auto& thread : threads_) {
    if (thread.joinable()) thread.join();
  }
}

std::size_t BoundedPool::Busy() const {
  std::lock_guard lock(mutex_);
  return busy_;
}

void BoundedPool::Work() {
  while (true) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      has_job_.wait(lock, [&] { return shutdown_ || !jobs_.empty(); });
      if (jobs_.empty()) return;  // shut down and drained
      job = std::move(jobs_.front());
      jobs_.pop_front();
      ++busy_;
      has_room_.notify_one();
    }
    job();
    std::lock_guard lock(mutex_);
    --busy_;
  }
}

}  // namespace tavirel::service
