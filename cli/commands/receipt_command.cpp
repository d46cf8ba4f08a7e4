// tavirel receipt: whole documents, each exactly once: preflight, the runner
// on one control, the journal.
#include <CLI/CLI.hpp>

#include "commands/commands.hpp"
#include "commands/document_command.hpp"

namespace tavirel::cli {
namespace {

constexpr const char* kExamples = R"(
Examples:
  tavirel receipt --sim receipt.json
  tavirel receipt --device /dev/ttyUSB0 --json receipt.json
  tavirel receipt --sim --fault no-reply@0.2 --journal ./journal.db --json - < documents.jsonl

FILE holds one document (a JSON object; see docs/documents.md); - reads one
document per line from standard input. Each document is checked whole before
anything is sent, runs once, and is recorded in the journal by its key: the
same key again gives the recorded outcome without touching the register.

Exit status: 0 closed, 1 voided, failed or not sent (the register was out
of reach: it stays queued in the journal), 2 usage or preflight error,
3 uncertain (run the same document again to resolve it), 4 needs attention
(a person must look at the register: see docs/documents.md). With several
documents, the highest of their statuses.)";

}  // namespace

void AddReceiptCommand(CLI::App& app, Runner& run) {
  auto options = std::make_shared<DocumentOptions>();
  CLI::App* receipt = app.add_subcommand(
      "receipt", "Run whole documents (receipts, non-fiscal, reports, reprints) exactly once");
  AddDocumentOptions(*receipt, *options);
  receipt->footer(kExamples);
  receipt->callback([options, &run] {
    run = [options](Streams& streams) { return RunDocuments({"receipt", {}}, *options, streams); };
  });
}

}  // namespace tavirel::cli
