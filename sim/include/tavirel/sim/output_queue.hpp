#pragma once
// Text for a reader the register must never wait on (its journal on standard
// output, say): queued in memory up to a bound and written by a thread of its
// own. When the reader is slow the queue fills and further text is dropped and
// counted; when the reader is gone (a closed pipe) everything is.
//
// Thread safety: Write, Dropped and ReaderGone may be called from any thread;
// Stop and the destructor from one thread. The descriptor is not owned and
// must stay open until Stop has returned.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace tavirel::sim {

class OutputQueue {
 public:
  /// Starts the writing thread on `fd`; at most `capacity` bytes wait at once.
  explicit OutputQueue(int fd, std::size_t capacity = 256 * 1024);
  /// Stop(0): what the reader has not taken by then is dropped.
  ~OutputQueue();
  OutputQueue(const OutputQueue&) = delete;
  OutputQueue& operator=(const OutputQueue&) = delete;

  /// Queues `text` whole, or drops it (counted) when it does not fit or the
  /// reader is gone. Never waits for the reader.
  void Write(std::string text);
  /// Gives the reader up to `grace` to take what is queued, then stops the
  /// thread. Returns within about `grace` plus one poll slice, whatever the
  /// reader does. Writes after Stop are dropped.
  void Stop(std::chrono::milliseconds grace);
  /// Texts dropped so far (each Write counts once).
  [[nodiscard]] std::uint64_t Dropped() const;
  /// True once a write found no reader (EPIPE) or failed otherwise.
  [[nodiscard]] bool ReaderGone() const;

 private:
  void Run();
  bool WaitWritable();
  void WriteOne(const std::string& text);

  const int fd_;
  const std::size_t capacity_;
  int wake_[2] = {-1, -1};
  mutable std::mutex mutex_;
  std::condition_variable drained_;
  std::deque<std::string> queue_;
  std::size_t queued_bytes_ = 0;
  std::uint64_t dropped_ = 0;
  bool gone_ = false;
  bool stopping_ = false;
  std::chrono::steady_clock::time_point deadline_;  // of the grace Stop gave
  std::thread thread_;
};

}  // namespace tavirel::sim
