#pragma once
// The HTTP server's handler threads: a fixed number run jobs, a bounded
// number of jobs wait for one, and beyond that Enqueue itself waits, so work
// handed over faster than it is done cannot grow the service's memory.
//
// Thread safety: Enqueue from any thread; Shutdown once, from the owner.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tavirel::service {

class BoundedPool final {
 public:
  BoundedPool(std::size_t threads, std::size_t waiting);
  ~BoundedPool();
  BoundedPool(const BoundedPool&) = delete;
  BoundedPool& operator=(const BoundedPool&) = delete;

  /// Runs `job` on a thread, waiting while `waiting` jobs already wait.
  void Enqueue(std::function<void()> job);
  /// Runs what waits, then ends the threads.
  void Shutdown();

  /// Jobs running now.
  [[nodiscard]] std::size_t Busy() const;

 private:
  void Work();

  mutable std::mutex mutex_;
  std::condition_variable has_job_;
  std::condition_variable has_room_;
  std::deque<std::function<void()>> jobs_;
  std::size_t waiting_limit_;
  std::size_t busy_ = 0;
  bool shutdown_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace tavirel::service
