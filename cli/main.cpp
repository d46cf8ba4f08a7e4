// tavirel: the command-line host of the fiscal register driver.
#include <unistd.h>

#include <iostream>

#include "commands/commands.hpp"

int main(int argc, char** argv) {
  tavirel::cli::Streams streams{std::cin, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1};
  return tavirel::cli::Main(argc, argv, streams);
}
