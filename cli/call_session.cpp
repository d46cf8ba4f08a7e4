#include "call_session.hpp"

#include <exception>
#include <ostream>

#include "cli_errors.hpp"
#include "human_output.hpp"
#include "json_output.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::cli {

CallSession::CallSession(ControlHost& host, Streams& streams, bool json)
    : host_(host), streams_(streams), json_(json) {}

bool CallSession::RunArgument(std::string_view text) { return RunOne(text, ""); }

void CallSession::RunLines(std::istream& in) {
  std::string line;
  for (long number = 1; std::getline(in, line); ++number) {
    if (IsBlankOrComment(line)) continue;
    RunOne(line, "stdin line " + std::to_string(number) + ": ");
  }
}

int CallSession::Status() const {
  if (error_) return kExitError;
  return failed_ ? kExitResult : kExitOk;
}

bool CallSession::RunOne(std::string_view text, std::string_view where) {
  std::string member;
  try {
    const OpRequest request = ParseOpLine(text);
    member = request.member;
    Report(host_.Run(request));
    return true;
  } catch (const TavirelError& e) {
    ReportError(member, where, e.what());
  } catch (const UsageError& e) {
    ReportError(member, where, e.what());
  }
  return false;
}

void CallSession::Report(const OpOutcome& outcome) {
  if (auto warning = LengthWarning(outcome)) streams_.err << "tavirel: " << *warning << std::endl;
  if (outcome.operation && outcome.result != OP_OK) failed_ = true;
  streams_.out << (json_ ? JsonLine(outcome) : HumanLine(outcome)) << std::endl;
}

void CallSession::ReportError(const std::string& member, std::string_view where,
                              const std::string& message) {
  error_ = true;
  streams_.err << "tavirel: " << where << message << std::endl;
  // A host reading the session's output gets one line for every OP.
  if (json_) streams_.out << JsonErrorLine(member, message) << std::endl;
}

}  // namespace tavirel::cli
