#pragma once
// What the commands that run documents share (tavirel receipt, tavirel
// apply): the options that choose the register and the journal, reading the
// documents, running each once, printing each outcome and the exit status.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/streams.hpp"
#include "tavirel/documents/document.hpp"

namespace CLI {
class App;
}

namespace tavirel::cli {

struct DocumentOptions {
  std::string device;
  int port = 0;
  bool sim = false;
  std::vector<std::string> faults;
  std::string settings;
  std::string mode = "euro";
  std::string journal;
  bool new_journal = false;
  bool json = false;
  bool trace = false;
  std::string file;
};

/// One command that runs documents.
struct DocumentCommand {
  std::string name;  // "receipt", "apply"
  /// Why this command does not run `document` (another command does), or
  /// nothing when it runs it.
  std::function<std::optional<std::string>(const documents::Document&)> refuse;
};

/// Declares the options of a document command on `command`, stored in `options`.
void AddDocumentOptions(CLI::App& command, DocumentOptions& options);

/// Runs every document of `options.file` (one, or one per line of standard
/// input for "-") once on the register the options choose, prints each
/// outcome, and returns the highest exit status: 0 closed, 1 voided, failed
/// or queued, 2 usage, preflight, a text that is not a document, a document
/// the command does not run, a key the journal refuses, 3 uncertain, 4 needs
/// attention.
int RunDocuments(const DocumentCommand& command, const DocumentOptions& options, Streams& streams);

}  // namespace tavirel::cli
