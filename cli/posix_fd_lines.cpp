// Reading standard input on POSIX systems: poll on the descriptor and the
// stop's wake-up descriptor, so a stop ends the wait for the next line.
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "line_source.hpp"

namespace tavirel::cli {

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
