// tavirel apply: a programming document (the register's tables and clock)
// applied once, printing what it changed.
#include <CLI/CLI.hpp>

#include "commands/commands.hpp"
#include "commands/document_command.hpp"
#include "tavirel/documents/document_json.hpp"

namespace tavirel::cli {
namespace {

constexpr const char* kExamples = R"(
Examples:
  tavirel apply --sim tables.json
  tavirel apply --device /dev/ttyUSB0 --json tables.json

FILE holds one programming document ({"type": "programming", ...}; see
docs/documents.md); - reads one per line from standard input. Every entry it
gives is read from the register first; only what differs is programmed, then
read back. Header lines have no reading: they are written every time. The
clock is set from this computer's only when it is off by more than
"max_drift_s". The journal keeps each document by its key, as for receipts.

Exit status: 0 applied, 1 failed or not sent (a refusal: what changed before
it is listed; the same document runs again), 2 usage or preflight error, or
a document that is not a programming document, 3 uncertain (run it again).)";

std::optional<std::string> NotProgramming(const documents::Document& d) {
  if (d.type == documents::DocumentType::Programming) return std::nullopt;
  return "a " + std::string(documents::TypeName(d.type)) +
         " document: apply takes programming documents (tavirel receipt runs the others)";
}

}  // namespace

void AddApplyCommand(CLI::App& app, Runner& run) {
  auto options = std::make_shared<DocumentOptions>();
  CLI::App* apply = app.add_subcommand(
      "apply",
      "Program the register's tables and clock from a document, changing only what differs");
  AddDocumentOptions(*apply, *options);
  apply->footer(kExamples);
  apply->callback([options, &run] {
    run = [options](Streams& streams) {
      return RunDocuments({"apply", NotProgramming}, *options, streams);
    };
  });
}

}  // namespace tavirel::cli
