#pragma once
// The command line's host of one TavirelControl: installs the hooks (the line
// trace, and the elapsed-time indicator when it has a terminal to show it
// on), opens and closes the port, and runs OPs through the dispatch
// interface.
#include <iosfwd>
#include <memory>
#include <optional>
#include <vector>

#include "op_outcome.hpp"
#include "op_parser.hpp"
#include "progress.hpp"
#include "tavirel/clock.hpp"
#include "tavirel/support/trace_printer.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::cli {

struct HostOptions {
  bool trace = false;            // every byte on `diagnostics`
  bool indicator = false;        // the elapsed-time indicator on `diagnostics` (a terminal)
  Clock* clock = nullptr;        // for the indicator and the trace's times (steady clock when none)
  bool allow_malformed = false;  // send an operation whose arguments do not fit its fields
};

class ControlHost {
 public:
  ControlHost(TavirelControl& control, std::ostream& diagnostics, HostOptions options);
  ~ControlHost();
  ControlHost(const ControlHost&) = delete;
  ControlHost& operator=(const ControlHost&) = delete;

  /// PortOpen; errors of the serial component pass through.
  void Open();
  /// PortClose; never throws.
  void Close() noexcept;
  /// Runs one OP. An operation whose arguments do not fit their fields is
  /// refused with UsageError naming each parameter, its value and the
  /// field's limit, and nothing is sent (unless allow_malformed). Errors of
  /// the call (unknown member, wrong argument count, an argument that does
  /// not convert, the port failing, a cancelled wait) pass through.
  OpOutcome Run(const OpRequest& request);

  [[nodiscard]] TavirelControl& control() { return control_; }

 private:
  class Waiting;
  void Preflight(const MemberInfo& member, const std::vector<Variant>& args) const;

  TavirelControl& control_;
  bool allow_malformed_;
  std::shared_ptr<Clock> own_clock_;
  Clock& clock_;
  std::optional<support::TracePrinter> trace_;
  ElapsedIndicator indicator_;
};

}  // namespace tavirel::cli
