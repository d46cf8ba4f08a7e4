// `tavirel sim` serves a pseudo-terminal, which Windows does not have: the
// command is there so that a script written for Linux gets a clear answer.
#include <CLI/CLI.hpp>

#include "cli_errors.hpp"
#include "commands/commands.hpp"

namespace tavirel::cli {

void AddSimCommand(CLI::App& app, Runner& run) {
  CLI::App* sim = app.add_subcommand(
      "sim", "Not on Windows: the simulated register serves a pseudo-terminal on Linux only");
  sim->allow_extras();
  sim->callback([&run] {
    run = [](Streams&) -> int {
      throw UsageError(
          "tavirel sim is not available on Windows (it serves a pseudo-terminal); "
          "use --sim of call, demo or receipt for the built-in register in process");
    };
  });
}

}  // namespace tavirel::cli
