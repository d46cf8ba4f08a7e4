#include "call_session.hpp"

#include <cerrno>
#include <cstring>
#include <ostream>

#include "cli_errors.hpp"
#include "human_output.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/json_ops/answer.hpp"
#include "tavirel/version.hpp"
#include "terminal_text.hpp"

namespace tavirel::cli {

// Standard output refused a write; the errno of the failure.
class CallSession::OutputFailed {
 public:
  explicit OutputFailed(int error) : error(error) {}
  int error;
};

std::string ReadyLine(std::string_view device) {
  std::string line = "{\"ready\": true, \"device\": ";
  json_ops::AppendJsonString(line, device);
  line += ", \"version\": ";
  json_ops::AppendJsonString(line, kVersion);
  return line + "}";
}

std::string NotReadyLine(std::string_view error) {
  std::string line = "{\"ready\": false, \"error\": ";
  json_ops::AppendJsonString(line, error);
  return line + "}";
}

CallSession::CallSession(ControlHost& host, Streams& streams, SessionOptions options)
    : host_(host), streams_(streams), options_(std::move(options)) {}

int CallSession::Run(const std::vector<std::string>& ops) {
  Open();
  try {
    if (options_.json) WriteReady();
    RunAll(ops);
  } catch (const OutputFailed& failure) {
    ReportOutputFailure(failure.error);
  }
  host_.Close();
  if (auto warning = receipt_.Warning()) Warn(*warning);
  return Status();
}

void CallSession::Open() {
  try {
    host_.Open();
  } catch (const std::exception& e) {
    // The error itself follows on standard error.
    if (options_.json) streams_.out << NotReadyLine(e.what()) << std::endl;
    throw;
  }
}

void CallSession::WriteReady() { Emit(ReadyLine(options_.device)); }

void CallSession::RunAll(const std::vector<std::string>& ops) {
  for (std::size_t i = 0; i < ops.size(); ++i) {
    const bool in_stdin = ops[i] == "-";
    if (in_stdin ? RunLines(streams_.in) : RunArgument(ops[i])) continue;
    if (options_.stop_on_error) ReportNotRun(ops, i + 1, in_stdin);
    return;
  }
}

bool CallSession::RunArgument(std::string_view text) {
  const Ran ran = RunOne(text, "");
  // On the command line an error of the call ends the run.
  return ran == Ran::Ok || (ran == Ran::NotOk && !options_.stop_on_error);
}

bool CallSession::RunLines(std::istream& in) {
  std::string line;
  for (long number = 1; std::getline(in, line); ++number) {
    if (IsBlankOrComment(line)) continue;
    const Ran ran = RunOne(line, "stdin line " + std::to_string(number) + ": ");
    if (ran != Ran::Ok && options_.stop_on_error) return false;
  }
  return true;
}

CallSession::Ran CallSession::RunOne(std::string_view text, std::string_view where) {
  std::string member;
  std::optional<std::string> id;
  try {
    const OpRequest request = ParseOpLine(text);
    member = request.member;
    id = request.id;
    return Report(host_.Run(request), id);
  } catch (const TavirelError& e) {
    ReportError(member, where, e.what(), id);
  } catch (const UsageError& e) {
    ReportError(member, where, e.what(), id);
  }
  return Ran::Error;
}

CallSession::Ran CallSession::Report(const OpOutcome& outcome,
                                     const std::optional<std::string>& id) {
  if (outcome.operation) {
    done_.push_back(outcome.member + " " + std::string(ResultName(outcome.result)));
    receipt_.Note(outcome);
    if (outcome.result != OP_OK) failed_ = true;
  }
  if (auto warning = LengthWarning(outcome)) Warn(*warning);
  line_.clear();
  if (options_.json) {
    json_ops::AppendAnswer(line_, outcome, id);
  } else {
    line_ = HumanLine(outcome);
  }
  Emit(line_);
  return outcome.operation && outcome.result != OP_OK ? Ran::NotOk : Ran::Ok;
}

void CallSession::ReportError(const std::string& member, std::string_view where,
                              const std::string& message, const std::optional<std::string>& id) {
  error_ = true;
  streams_.err << "tavirel: " << where << TerminalSafe(message) << std::endl;
  // A host reading the session's output gets one line for every OP.
  if (options_.json) Emit(json_ops::ErrorAnswer(member, message, id));
}

void CallSession::ReportNotRun(const std::vector<std::string>& ops, std::size_t next,
                               bool in_stdin) {
  std::string list = in_stdin ? "the rest of standard input" : "";
  for (std::size_t i = next; i < ops.size(); ++i) {
    if (!list.empty()) list += ", ";
    list += ops[i] == "-" ? "standard input" : "'" + ops[i] + "'";
  }
  if (list.empty()) return;
  streams_.err << "tavirel: stopped at the first OP that did not succeed; not run: "
               << TerminalSafe(list) << std::endl;
}

void CallSession::ReportOutputFailure(int error) {
  output_failed_ = true;
  std::string done;
  for (const std::string& op : done_) done += (done.empty() ? "" : ", ") + op;
  streams_.err << "tavirel: cannot write to standard output ("
               << (error != 0 ? std::strerror(error) : "write error") << "); the run stopped; "
               << (done.empty() ? "no operation was carried out"
                                : "operations already carried out, answers possibly lost: " + done)
               << std::endl;
}

void CallSession::Emit(std::string_view line) {
  errno = 0;
  streams_.out.write(line.data(), static_cast<std::streamsize>(line.size()));
  streams_.out.put('\n');
  streams_.out.flush();
  if (!streams_.out) throw OutputFailed(errno);
}

void CallSession::Warn(const std::string& text) {
  streams_.err << "tavirel: " << TerminalSafe(text) << std::endl;
}

int CallSession::Status() const {
  if (output_failed_) return kExitOutput;
  if (error_) return kExitError;
  return failed_ ? kExitResult : kExitOk;
}

}  // namespace tavirel::cli
