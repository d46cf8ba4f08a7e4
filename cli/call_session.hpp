#pragma once
// Runs the OPs of one `tavirel call` on a control: opens the port, prints one
// line per OP (JSON or readable) on standard output, warnings and errors on
// standard error, closes the port, and keeps the exit status.
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "commands/streams.hpp"
#include "control_host.hpp"
#include "line_source.hpp"
#include "receipt_watch.hpp"
#include "tavirel/support/signal_stop.hpp"

namespace tavirel::cli {

using support::CancelOnStop;
using support::SignalStop;

struct SessionOptions {
  bool json = false;                 // JSON answers, after a first "ready" line
  bool stop_on_error = false;        // the first OP that does not return OP_OK ends the run
  std::string device;                // named in the ready line
  LineSource* lines = nullptr;       // the stdin session's lines (from `Streams::in` when none)
  const SignalStop* stop = nullptr;  // a stop signal ends the run (none: no signals watched)
};

/// With --json, the first line: {"ready": true, "device": PATH, "version": "X.Y.Z"}
/// once the port is open, or {"ready": false, "error": TEXT} when it cannot be.
std::string ReadyLine(std::string_view device);
std::string NotReadyLine(std::string_view error);

class CallSession {
 public:
  CallSession(ControlHost& host, Streams& streams, SessionOptions options);

  /// Opens the port (with --json, then writes the ready line, or the
  /// not-ready line before the error passes through), runs `ops` in order
  /// ("-" reads OPs from standard input until its end), closes the port and
  /// warns when a receipt was left open. Returns the exit status: 0 when
  /// every operation returned OP_OK, 1 when one returned another code, 2
  /// after an error of the call, 3 when standard output could not be written,
  /// 128 + its number after a stop signal (the call in progress cancelled,
  /// the port closed, a message saying whether its request went out).
  int Run(const std::vector<std::string>& ops);

 private:
  class OutputFailed;
  enum class Ran { Ok, NotOk, Error };  // OP_OK (or not an operation), another code, an error

  bool Open();
  void WriteReady();
  void RunAll(const std::vector<std::string>& ops);
  // Each returns false when the run ends there.
  bool RunArgument(std::string_view text);
  bool RunLines(LineSource& lines);
  Ran RunOne(std::string_view text, std::string_view where);
  Ran Report(const OpOutcome& outcome, const std::optional<std::string>& id);
  void ReportError(const std::string& member, std::string_view where, const std::string& message,
                   const std::optional<std::string>& id);
  void ReportNotRun(const std::vector<std::string>& ops, std::size_t next, bool in_stdin);
  void ReportOutputFailure(int error);
  void ReportStop();
  [[nodiscard]] int Stopped() const;
  void Emit(std::string_view line);
  void Warn(const std::string& text);
  [[nodiscard]] int Status() const;

  ControlHost& host_;
  Streams& streams_;
  SessionOptions options_;
  ReceiptWatch receipt_;
  std::vector<std::string> done_;  // "opReparto OP_OK": the operations carried out
  std::string line_;               // the answer being written, reused
  bool failed_ = false;            // an operation returned another code than OP_OK
  bool error_ = false;             // an error of the call
  bool output_failed_ = false;     // standard output could not be written
  std::string cancelled_;          // the OP a stop cancelled, and whether its request went out
  bool cancelled_sent_ = false;
};

}  // namespace tavirel::cli
