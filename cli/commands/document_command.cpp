// The commands that run documents, one engine: preflight, the runner on one
// control, the journal; an outcome per document, printed for people (keys,
// texts and messages made terminal-safe) or as JSON.
#include "commands/document_command.hpp"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>

#include "cli_errors.hpp"
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

constexpr int kExitUncertain = 3;
constexpr int kExitAttention = 4;

ControlSetup Setup(const std::string& name, const DocumentOptions& options) {
  ControlSetup setup = ChooseRegister(name, options.device, options.port, options.sim,
                                      options.settings, options.mode);
  if (!options.sim && !options.faults.empty()) throw UsageError("--fault needs --sim");
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

std::string Quoted(const std::string& text) { return "\"" + TerminalSafe(text) + "\""; }

// What a programming document changed: a count, then one line a field.
void PrintChanges(const doc::Outcome& o, std::ostream& out) {
  if (o.version) out << ", version " << *o.version;
  out << ": " << o.changes.size() << " changed, " << *o.unchanged << " unchanged";
  if (!o.written.empty()) out << ", " << o.written.size() << " written";
  out << '\n';
  const auto line = [&out](const doc::Change& c) {
    out << "  " << TerminalSafe(c.table);
    if (c.number) out << " " << *c.number;
    out << " " << TerminalSafe(c.field) << ": ";
  };
  for (const doc::Change& c : o.changes) {
    line(c);
    out << Quoted(c.from.value_or("")) << " -> " << Quoted(c.to) << '\n';
  }
  for (const doc::Change& c : o.written) {
    line(c);
    out << Quoted(c.to) << " (written: no reading tells what it held)\n";
  }
}

// Keys and messages come from the document's author: made terminal-safe.
void PrintHuman(const doc::Outcome& o, std::ostream& out) {
  out << TerminalSafe(o.key) << ": " << doc::StatusName(o.status);
  if (o.replayed) out << " (from the journal)";
  if (o.receipt_number) out << ", number " << *o.receipt_number;
  if (o.document_number) out << ", document " << *o.document_number;
  if (o.fiscal_number) out << ", fiscal document " << *o.fiscal_number;
  if (o.date) out << ", " << *o.date;
  if (o.total) out << ", total " << *o.total;
  if (o.paid) out << ", paid " << *o.paid;
  if (o.change) out << ", change " << *o.change;
  if (o.due) out << ", due " << *o.due;
  if (o.unchanged) {
    PrintChanges(o, out);
  } else {
    out << '\n';
  }
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
// is not a document (or not this command's), or a key the journal refuses,
// is reported and skipped.
int RunOne(const DocumentCommand& command, doc::Runner& runner, const std::string& text, bool json,
           Streams& streams) {
  try {
    const doc::Document document = doc::ParseDocument(text);
    if (const auto why = command.refuse ? command.refuse(document) : std::nullopt) {
      streams.err << "tavirel: " << TerminalSafe(document.key) << ": " << *why << std::endl;
      return kExitError;
    }
    const doc::Outcome o = runner.Run(document);
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

}  // namespace

void AddDocumentOptions(CLI::App& command, DocumentOptions& options) {
  auto* device =
      command.add_option("--device", options.device, "A serial device or pseudo-terminal")
          ->type_name("PATH");
  auto* port = command
                   .add_option("--port", options.port,
                               "The control's COMPort (port 1 is " + DefaultPortDevice(1) + ")")
                   ->type_name("N")
                   ->check(CLI::Range(1, 32767));
  auto* sim = command.add_flag("--sim", options.sim, "The built-in simulated register");
  device->excludes(port)->excludes(sim);
  port->excludes(sim);
  command.add_option("--fault", options.faults, "A fault switch of the simulated register")
      ->type_name("F");
  options.settings = kDefaultSettings;
  command.add_option("--settings", options.settings, "Line settings")
      ->type_name("TEXT")
      ->capture_default_str();
  command.add_option("--mode", options.mode, "Currency mode: lire, euro or a number")
      ->type_name("lire|euro|N")
      ->capture_default_str();
  command
      .add_option("--journal", options.journal,
                  "The journal (default tavirel/journal.db in the user's state folder: "
                  "$XDG_STATE_HOME, ~/.local/state, or %LOCALAPPDATA% on Windows)")
      ->type_name("FILE");
  command.add_flag("--new-journal", options.new_journal,
                   "An empty journal file is a new journal (otherwise it is refused)");
  command.add_flag("--json", options.json, "Each outcome as one line of JSON");
  command.add_flag("--trace", options.trace, "Every byte on the line, decoded, on standard error");
  command.add_option("FILE", options.file, "A document, or - for one per line on standard input")
      ->required();
}

int RunDocuments(const DocumentCommand& command, const DocumentOptions& options, Streams& streams) {
  ControlSetup setup = Setup(command.name, options);
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
    status = std::max(status, RunOne(command, runner, text, options.json, streams));
  host.Close();
  return status;
}

}  // namespace tavirel::cli
