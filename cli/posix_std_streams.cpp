#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "std_streams.hpp"

namespace tavirel::cli {

void PrepareStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      const int held = ::open("/dev/null", O_RDONLY);
      if (held >= 0 && held != fd) {
        ::dup2(held, fd);
        ::close(held);
      }
    }
  }
}

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

int StandardInputFd() { return STDIN_FILENO; }

}  // namespace tavirel::cli
