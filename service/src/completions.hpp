#pragma once
// Where a request waiting for a document's outcome (?wait=S) is woken when
// the document reaches an end. A waiter watches its key before it looks at
// the journal, so an end between the look and the wait is never missed.
//
// Thread safety: every member may be called from any thread.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace tavirel::service {

class Completions {
 public:
  enum class Wake { Ended, TimedOut, Stopping };

  class Watch {
   public:
    /// Waits until the key is signalled (since the watch began), the
    /// service stops, or `deadline` passes.
    Wake Wait(std::chrono::steady_clock::time_point deadline);
    ~Watch();
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

   private:
    friend class Completions;
    struct Slot;
    Watch(Completions& owner, std::string key, std::shared_ptr<Slot> slot, std::size_t seen);
    Completions& owner_;
    std::string key_;
    std::shared_ptr<Slot> slot_;
    std::size_t seen_;  // the key's signals before the watch began
  };

  /// Starts watching `key`.
  std::unique_ptr<Watch> Begin(const std::string& key);
  /// The document under `key` reached an end (an outcome, or it was set aside).
  void Signal(const std::string& key);
  /// Wakes every waiter, now and later, with Stopping.
  void Stop();
  /// Keys watched right now (for tests and metrics).
  [[nodiscard]] std::size_t Watched() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, std::shared_ptr<Watch::Slot>> slots_;
  bool stopping_ = false;
};

}  // namespace tavirel::service
