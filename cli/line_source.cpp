#include "line_source.hpp"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace tavirel::cli {

LineSource::Got StreamLines::Next(std::string& line) {
  return std::getline(in_, line) ? Got::Line : Got::End;
}

LineSource::Got FdLines::Next(std::string& line) {
  while (true) {
    const std::size_t newline = buffer_.find('\n', start_);
    if (newline != std::string::npos) {
      const bool skipped = skipping_;
      line.assign(buffer_, start_, newline - start_);
      start_ = newline + 1;
      skipping_ = false;
      if (!skipped) return Got::Line;
      return Got::TooLong;
    }
    if (buffer_.size() - start_ > kMaxLineBytes) {
      skipping_ = true;
      buffer_.clear();
      start_ = 0;
    }
    Got why = Got::End;
    if (!Fill(why)) {
      if (why == Got::End && (start_ < buffer_.size() || skipping_)) {  // a last line, no newline
        const bool skipped = skipping_;
        line.assign(buffer_, start_);
        start_ = buffer_.size();
        skipping_ = false;
        return skipped ? Got::TooLong : Got::Line;
      }
      return why;
    }
  }
}

bool FdLines::Fill(Got& why) {
  if (start_ > 0) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  while (true) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
    if (::poll(fds, wake_fd_ >= 0 ? 2 : 1, -1) < 0) {
      if (errno == EINTR) continue;
      why = Got::End;
      return false;
    }
    if (wake_fd_ >= 0 && fds[1].revents != 0) {
      why = Got::Stopped;
      return false;
    }
    char chunk[65536];
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) {
      why = Got::End;
      return false;
    }
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return true;
  }
}

}  // namespace tavirel::cli
