#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "port/tcp_wake_pipe.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::port {

WakePipe::WakePipe() {
  int fds[2];
  if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
    throw SerialError(std::string("cannot make the wake-up pipe of a network port: ") +
                      std::strerror(errno));
  fds_[0] = fds[0];
  fds_[1] = fds[1];
}

WakePipe::~WakePipe() {
  ::close(static_cast<int>(fds_[0]));
  ::close(static_cast<int>(fds_[1]));
}

void WakePipe::Signal() noexcept {
  const int saved = errno;
  const char one = 1;
  // A full pipe already wakes the poll; nothing more is needed then.
  [[maybe_unused]] const auto put = ::write(static_cast<int>(fds_[1]), &one, 1);
  errno = saved;
}

bool WakePipe::Drain() noexcept {
  bool any = false;
  char bytes[64];
  while (::read(static_cast<int>(fds_[0]), bytes, sizeof bytes) > 0) any = true;
  return any;
}

}  // namespace tavirel::port
