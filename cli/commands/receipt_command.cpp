// tavirel receipt: whole documents, each exactly once: preflight, the runner
// on one control, the journal.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>

#include "cli_errors.hpp"
#include "commands/commands.hpp"
#include "control_host.hpp"
#include "control_setup.hpp"
#include "sim_link.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/journal.hpp"
#include "tavirel/documents/runner.hpp"
#include "tavirel/port_mapping.hpp"
#include "tavirel/support/user_folders.hpp"
#include "terminal_text.hpp"

namespace tavirel::cli {
namespace {

namespace doc = tavirel::documents;

struct ReceiptOptions {
  std::string device;
  int port = 0;
  bool sim = false;
  std::vector<std::string> faults;
  std::string settings = kDefaultSettings;
  std::string mode = "euro";
  std::string journal;
  bool new_journal = false;
  bool json = false;
  bool trace = false;
  std::string file;
};

constexpr int kExitUncertain = 3;
constexpr int kExitAttention = 4;

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

ControlSetup Setup(const ReceiptOptions& options) {
  const int chosen =
      (options.device.empty() ? 0 : 1) + (options.port != 0 ? 1 : 0) + (options.sim ? 1 : 0);
  if (chosen != 1)
    throw UsageError("receipt needs exactly one of --device PATH, --port N or --sim");
  if (!options.sim && !options.faults.empty()) throw UsageError("--fault needs --sim");
  ControlSetup setup;
  setup.device = options.device;
  if (options.port != 0) setup.port = static_cast<std::int16_t>(options.port);
  setup.settings = options.settings;
  setup.mode = ParseMode(options.mode);
  return setup;
}

std::unique_ptr<doc::Journal> OpenJournal(const std::string& given, bool new_journal) {
  const std::string path = given.empty() ? doc::DefaultJournalPath() : given;
  support::MakePrivateFolders<doc::JournalError>(path, "the journal");
  doc::JournalOptions options;
  options.empty_is_new = new_journal;
  return std::make_unique<doc::Journal>(path, options);
}

// The documents to run: the file's one, or standard input's lines.
std::vector<std::string> DocumentTexts(const std::string& file, std::istream& in) {
  std::vector<std::string> texts;
  if (file == "-") {
    for (std::string line; std::getline(in, line);) {
      if (line.find_first_not_of(" \t\r") != std::string::npos) texts.push_back(line);
    }
    return texts;
  }
  std::ifstream stream(file);
  if (!stream) throw UsageError("cannot read " + file);
  std::ostringstream text;
  text << stream.rdbuf();
  texts.push_back(text.str());
  return texts;
}

// Keys and messages come from the document's author: made terminal-safe.
void PrintHuman(const doc::Outcome& o, std::ostream& out) {
  out << TerminalSafe(o.key) << ": " << doc::StatusName(o.status);
  if (o.replayed) out << " (from the journal)";
  if (o.receipt_number) out << ", number " << *o.receipt_number;
  if (o.date) out << ", " << *o.date;
  if (o.total) out << ", total " << *o.total;
  if (o.paid) out << ", paid " << *o.paid;
  if (o.change) out << ", change " << *o.change;
  if (o.due) out << ", due " << *o.due;
  out << '\n';
  if (!o.failed_step) return;
  const doc::FailedStep& f = *o.failed_step;
  out << "  ";
  if (!f.where.empty()) out << TerminalSafe(f.where) << ": ";
  if (!f.member.empty()) out << f.member << " ";
  if (!f.result_name.empty()) out << f.result_name << " ";
  if (f.printer_error != 0) out << f.printer_error << " " << TerminalSafe(f.printer_text) << " ";
  out << "- " << TerminalSafe(f.reason) << '\n';
  for (const doc::Problem& p : f.problems) {
    out << "  " << TerminalSafe(p.where.empty() ? p.message : p.where + ": " + p.message) << '\n';
  }
}

int ExitStatus(const doc::Outcome& o) {
  switch (o.status) {
    case doc::Status::Closed: return kExitOk;
    case doc::Status::Uncertain:
    case doc::Status::Running: return kExitUncertain;
    case doc::Status::NeedsAttention: return kExitAttention;
    default: break;
  }
  const bool preflight = o.failed_step && !o.failed_step->problems.empty();
  return preflight ? kExitError : kExitResult;
}

// One document: its outcome printed, its exit status returned. A text that
// is not a document, or a key the journal refuses, is reported and skipped.
int RunOne(doc::Runner& runner, const std::string& text, bool json, Streams& streams) {
  try {
    const doc::Outcome o = runner.Run(doc::ParseDocument(text));
    if (json) {
      streams.out << doc::ToJson(o) << std::endl;
    } else {
      PrintHuman(o, streams.out);
      streams.out.flush();
    }
    return ExitStatus(o);
  } catch (const doc::DocumentError& e) {
    streams.err << "tavirel: not a document: " << TerminalSafe(e.what()) << std::endl;
  } catch (const doc::DamagedRowError& e) {
    streams.err << "tavirel: damaged journal row: " << TerminalSafe(e.what()) << std::endl;
  } catch (const doc::JournalError& e) {
    streams.err << "tavirel: " << TerminalSafe(e.what()) << std::endl;
  } catch (const doc::RegisterMismatchError& e) {
    streams.err << "tavirel: " << TerminalSafe(e.what()) << std::endl;
  }
  return kExitError;
}

int RunReceipt(const ReceiptOptions& options, Streams& streams) {
  ControlSetup setup = Setup(options);
  const std::vector<std::string> texts = DocumentTexts(options.file, streams.in);
  std::unique_ptr<doc::Journal> journal = OpenJournal(options.journal, options.new_journal);
  std::optional<SimLink> sim;  // outlives the control that talks to it
  if (options.sim) {
    SimLinkOptions sim_options;
    sim_options.lire = setup.mode == TVL_EUROSETTINGS_LIRE;
    sim_options.faults = options.faults;
    sim.emplace(sim_options);
    setup.device = sim->DevicePath();
  }
  const std::unique_ptr<TavirelControl> control =
      MakeControl(setup, sim ? sim->TakeHostPort() : nullptr);
  HostOptions host_options;
  host_options.trace = options.trace;
  ControlHost host(*control, streams.err, host_options);
  host.Open();
  doc::Runner runner(*control, *journal);
  int status = kExitOk;
  for (const std::string& text : texts)
    status = std::max(status, RunOne(runner, text, options.json, streams));
  host.Close();
  return status;
}

}  // namespace

void AddReceiptCommand(CLI::App& app, Runner& run) {
  auto options = std::make_shared<ReceiptOptions>();
  CLI::App* receipt = app.add_subcommand(
      "receipt", "Run whole documents (receipts, non-fiscal, reports) exactly once");
  auto* device =
      receipt->add_option("--device", options->device, "A serial device or pseudo-terminal")
          ->type_name("PATH");
  auto* port = receipt
                   ->add_option("--port", options->port,
                                "The control's COMPort (port 1 is " + DefaultPortDevice(1) + ")")
                   ->type_name("N")
                   ->check(CLI::Range(1, 32767));
  auto* sim = receipt->add_flag("--sim", options->sim, "The built-in simulated register");
  device->excludes(port)->excludes(sim);
  port->excludes(sim);
  receipt->add_option("--fault", options->faults, "A fault switch of the simulated register")
      ->type_name("F");
  receipt->add_option("--settings", options->settings, "Line settings")
      ->type_name("TEXT")
      ->capture_default_str();
  receipt->add_option("--mode", options->mode, "Currency mode: lire, euro or a number")
      ->type_name("lire|euro|N")
      ->capture_default_str();
  receipt
      ->add_option("--journal", options->journal,
                   "The journal (default tavirel/journal.db in the user's state folder: "
                   "$XDG_STATE_HOME, ~/.local/state, or %LOCALAPPDATA% on Windows)")
      ->type_name("FILE");
  receipt->add_flag("--new-journal", options->new_journal,
                    "An empty journal file is a new journal (otherwise it is refused)");
  receipt->add_flag("--json", options->json, "Each outcome as one line of JSON");
  receipt->add_flag("--trace", options->trace,
                    "Every byte on the line, decoded, on standard error");
  receipt->add_option("FILE", options->file, "A document, or - for one per line on standard input")
      ->required();
  receipt->footer(kExamples);
  receipt->callback([options, &run] {
    run = [options](Streams& streams) { return RunReceipt(*options, streams); };
  });
}

}  // namespace tavirel::cli
