// tavirel: the command-line host of the fiscal register driver.
#include <iostream>

#include "cli_errors.hpp"
#include "commands/commands.hpp"
#include "std_streams.hpp"

int main(int argc, char** argv) {
  tavirel::cli::PrepareStandardStreams();
  tavirel::cli::Streams streams{std::cin, std::cout, std::cerr,
                                tavirel::cli::StandardErrorIsTerminal(),
                                tavirel::cli::StandardInputFd()};
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
