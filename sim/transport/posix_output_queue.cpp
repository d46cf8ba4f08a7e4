#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/output_queue.hpp"

namespace tavirel::sim {
namespace {

using Clock = std::chrono::steady_clock;

// At most one pipe buffer's atomic size a write: after POLLOUT it fits.
constexpr std::size_t kChunk = PIPE_BUF;
constexpr int kSliceMs = 50;

}  // namespace

OutputQueue::OutputQueue(int fd, std::size_t capacity) : fd_(fd), capacity_(capacity) {
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0)
    throw SimError(std::string("output queue: cannot make a pipe: ") + std::strerror(errno));
  thread_ = std::thread([this] { Run(); });
}

OutputQueue::~OutputQueue() {
  Stop(std::chrono::milliseconds(0));
  for (int fd : wake_) ::close(fd);
}

void OutputQueue::Write(std::string text) {
  std::lock_guard lock(mutex_);
  if (gone_ || stopping_ || queued_bytes_ + text.size() > capacity_) {
    ++dropped_;
    return;
  }
  queued_bytes_ += text.size();
  queue_.push_back(std::move(text));
  drained_.notify_all();
}

void OutputQueue::Stop(std::chrono::milliseconds grace) {
  {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) return;
    stopping_ = true;
    deadline_ = Clock::now() + grace;
    drained_.notify_all();
  }
  const char wake = 1;
  [[maybe_unused]] const auto n = ::write(wake_[1], &wake, 1);
  thread_.join();
}

std::uint64_t OutputQueue::Dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

bool OutputQueue::ReaderGone() const {
  std::lock_guard lock(mutex_);
  return gone_;
}

void OutputQueue::Run() {
  for (;;) {
    std::string text;
    {
      std::unique_lock lock(mutex_);
      drained_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      const bool late = stopping_ && Clock::now() >= deadline_;
      if (queue_.empty() || late || gone_) {
        dropped_ += queue_.size();
        queue_.clear();
        queued_bytes_ = 0;
        if (stopping_) return;
        continue;
      }
      text = std::move(queue_.front());
      queue_.pop_front();
      queued_bytes_ -= text.size();
    }
    WriteOne(text);
  }
}

// True when the descriptor takes bytes now; false when the time to stop came.
bool OutputQueue::WaitWritable() {
  for (;;) {
    int timeout = kSliceMs;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
        if (left <= 0) return false;
        timeout = static_cast<int>(std::min<long long>(left, kSliceMs));
      }
    }
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {wake_[0], POLLIN, 0}};
    const int ready = ::poll(fds, 2, timeout);
    if (ready < 0 && errno != EINTR) return true;  // let the write report it
    if (fds[0].revents != 0) return true;          // writable, or an error the write reports
    if (fds[1].revents & POLLIN) {
      char drain[16];
      while (::read(wake_[0], drain, sizeof drain) > 0) {
      }
    }
  }
}

void OutputQueue::WriteOne(const std::string& text) {
  std::string_view rest = text;
  while (!rest.empty()) {
    if (!WaitWritable()) break;
    const ssize_t n = ::write(fd_, rest.data(), std::min(rest.size(), kChunk));
    if (n > 0) {
      rest.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
      continue;
    } else {
      std::lock_guard lock(mutex_);
      gone_ = true;  // EPIPE above all: nobody will read again
      break;
    }
  }
  if (!rest.empty()) {
    std::lock_guard lock(mutex_);
    ++dropped_;
  }
}

}  // namespace tavirel::sim
