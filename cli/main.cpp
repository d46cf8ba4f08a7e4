// tavirel: the command-line host of the fiscal register driver.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "cli_errors.hpp"
#include "commands/commands.hpp"

namespace {

// A standard descriptor the program was started without is taken by
// /dev/null, read-only: otherwise the serial device opened next would get
// its number, and answers meant for standard output would go to the
// register. Read-only, a write to it still fails and is reported.
void HoldStandardDescriptors() {
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

}  // namespace

int main(int argc, char** argv) {
  HoldStandardDescriptors();
  tavirel::cli::Streams streams{std::cin, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1,
                                STDIN_FILENO};
  const int status = tavirel::cli::Main(argc, argv, streams);
  std::cout.flush();
  if (!std::cout && status != tavirel::cli::kExitOutput) {
    std::cerr << "tavirel: cannot write to standard output" << std::endl;
    return tavirel::cli::kExitOutput;
  }
  // A failing standard error cannot be told about, but the status must not claim success.
  if (!std::cerr && status == 0) return tavirel::cli::kExitError;
  return status;
}
