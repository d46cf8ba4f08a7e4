#pragma once
// Runs the OPs of one `tavirel call` on an open control and prints one line
// per OP: JSON or readable on standard output, warnings and errors on
// standard error. Keeps the exit status: 0 when every operation returned
// OP_OK, 1 when one returned another code, 2 after an error of the call.
#include <istream>
#include <string>
#include <string_view>

#include "commands/streams.hpp"
#include "control_host.hpp"

namespace tavirel::cli {

class CallSession {
 public:
  CallSession(ControlHost& host, Streams& streams, bool json);

  /// Runs an OP given on the command line (words, or a JSON object as on a
  /// line). Returns false after an error of the call, which ends the run.
  bool RunArgument(std::string_view text);
  /// Runs every line of `in` until its end. An error of the call ends that
  /// line's OP only; blank lines and lines beginning with "#" are skipped.
  void RunLines(std::istream& in);

  [[nodiscard]] int Status() const;

 private:
  bool RunOne(std::string_view text, std::string_view where);
  void Report(const OpOutcome& outcome);
  void ReportError(const std::string& member, std::string_view where, const std::string& message);

  ControlHost& host_;
  Streams& streams_;
  bool json_;
  bool failed_ = false;  // an operation returned another code than OP_OK
  bool error_ = false;   // an error of the call
};

}  // namespace tavirel::cli
