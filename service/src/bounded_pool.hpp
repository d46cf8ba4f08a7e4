#pragma once
// The HTTP server's threads: a fixed number serve connections, a bounded
// number of accepted connections wait for one, and beyond that the accepting
// thread itself waits, so further clients stay in the kernel's backlog
// instead of growing the service's memory.
//
// Thread safety: Enqueue is called by the accepting thread, Shutdown once.
#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tavirel::service {

class BoundedPool final : public httplib::TaskQueue {
 public:
  BoundedPool(std::size_t threads, std::size_t waiting);
  ~BoundedPool() override;

  void enqueue(std::function<void()> job) override;
  /// Runs what waits, then ends the threads.
  void shutdown() override;

  /// Connections being served now.
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
