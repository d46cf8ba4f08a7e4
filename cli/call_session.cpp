#include "call_session.hpp"

#include <algorithm>
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
  if (Open()) {
    try {
      if (options_.json) WriteReady();
      RunAll(ops);
    } catch (const OutputFailed& failure) {
      ReportOutputFailure(failure.error);
    }
  }
  host_.Close();
  if (auto warning = receipt_.Warning()) Warn(*warning);
  if (Stopped() != 0) {
    ReportStop();
    return 128 + Stopped();
  }
  return Status();
}

// False when a stop signal cancelled the probe; other errors pass through.
bool CallSession::Open() {
  try {
    host_.Open();
    return true;
  } catch (const std::exception& e) {
    // The error itself follows on standard error.
    if (options_.json) streams_.out << NotReadyLine(e.what()) << std::endl;
    if (Stopped() != 0) return false;
    throw;
  }
}

void CallSession::WriteReady() { Emit(ReadyLine(options_.device)); }

void CallSession::RunAll(const std::vector<std::string>& ops) {
  StreamLines stream_lines(streams_.in);
  LineSource& lines = options_.lines != nullptr ? *options_.lines : stream_lines;
  for (std::size_t i = 0; i < ops.size() && Stopped() == 0; ++i) {
    const bool in_stdin = ops[i] == "-";
    if (in_stdin ? RunLines(lines) : RunArgument(ops[i])) continue;
    if (options_.stop_on_error && Stopped() == 0) ReportNotRun(ops, i + 1, in_stdin);
    return;
  }
}

bool CallSession::RunArgument(std::string_view text) {
  const Ran ran = RunOne(text, "");
  // On the command line an error of the call ends the run.
  return ran == Ran::Ok || (ran == Ran::NotOk && !options_.stop_on_error);
}

bool CallSession::RunLines(LineSource& lines) {
  std::string line;
  for (long number = 1; Stopped() == 0; ++number) {
    const std::string where = "stdin line " + std::to_string(number) + ": ";
    Ran ran = Ran::Ok;
    switch (lines.Next(line)) {
      case LineSource::Got::End: return true;
      case LineSource::Got::Stopped: return false;
      case LineSource::Got::TooLong:
        ReportError(
            "", where,
            "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes; it was skipped",
            std::nullopt);
        ran = Ran::Error;
        break;
      case LineSource::Got::Line:
        if (IsBlankOrComment(line)) continue;
        ran = RunOne(line, where);
        break;
    }
    if (ran != Ran::Ok && options_.stop_on_error) return false;
  }
  return false;
}

CallSession::Ran CallSession::RunOne(std::string_view text, std::string_view where) {
  std::string member;
  std::optional<std::string> id;
  try {
    const OpRequest request = ParseOpLine(text);
    member = request.member;
    id = request.id;
    return Report(host_.Run(request), id);
  } catch (const CancelledError& e) {
    cancelled_ = member;
    cancelled_sent_ = e.request_sent();
    if (e.request_sent()) receipt_.NoteLost(member);
    ReportError(member, where, e.what(), id);
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
    done_.Add(outcome.member, ResultName(outcome.result));
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

void CarriedOut::Add(std::string_view member, std::string_view result) {
  std::string& entry = last_[count_ % kKept];
  entry.assign(member).append(" ").append(result);
  ++count_;
}

std::string CarriedOut::Describe() const {
  const std::size_t kept = std::min(count_, kKept);
  std::string list;
  for (std::size_t i = count_ - kept; i < count_; ++i) {
    list += (list.empty() ? "" : ", ") + last_[i % kKept];
  }
  if (count_ <= kKept) return list;
  return std::to_string(count_) + " in all, the last " + std::to_string(kKept) + ": " + list;
}

void CallSession::ReportOutputFailure(int error) {
  output_failed_ = true;
  const std::string done = done_.Describe();
  streams_.err << "tavirel: cannot write to standard output ("
               << (error != 0 ? std::strerror(error) : "write error") << "); the run stopped; "
               << (done.empty() ? "no operation was carried out"
                                : "operations already carried out, answers possibly lost: " + done)
               << std::endl;
}

void CallSession::ReportStop() {
  std::string text = std::string("stopped by ") + SignalStop::Name(Stopped());
  if (cancelled_.empty()) {
    text += ": no operation was cut short";
  } else if (cancelled_sent_) {
    text +=
        " during " + cancelled_ + ": its request went out, so the register may have carried it out";
  } else {
    text += " before " + cancelled_ + " was sent: nothing went out";
  }
  streams_.err << "tavirel: " << text << "; the port is closed" << std::endl;
}

int CallSession::Stopped() const { return options_.stop != nullptr ? options_.stop->Caught() : 0; }

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
