// tavirel error LEVEL CODE: the text GetLastErrorDescription gives.
#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

#include "commands/commands.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::cli {
namespace {

struct ErrorOptions {
  std::int16_t level = 0;
  std::int32_t code = 0;
};

}  // namespace

void AddErrorCommand(CLI::App& app, Runner& run) {
  auto options = std::make_shared<ErrorOptions>();
  CLI::App* error =
      app.add_subcommand("error", "The Italian text of GetLastErrorDescription for a pair");
  error->add_option("LEVEL", options->level, "ErrorLevel: a result code (-1 for a printer error)")
      ->required();
  error
      ->add_option("CODE", options->code,
                   "ErrorCode: the printer's error number (ignored for other levels)")
      ->required();
  error->footer(
      "\nExamples:\n  tavirel error -1 23     # CHIUDI SCONTRINO\n  tavirel error 3 0       # "
      "Timeout in attesa risposta\n"
      "\nA pair without a text prints an empty line.");
  error->callback([options, &run] {
    run = [options](Streams& streams) {
      streams.out << ErrorTexts(options->level, options->code) << std::endl;
      return 0;
    };
  });
}

}  // namespace tavirel::cli
