#pragma once
// The elapsed-time indicator: while an OP waits for the register more than a
// second, one line on a terminal's standard error says for how long. Fed by
// the control's yield hook; cleared when the OP ends (or before other output
// is written to the same terminal).
#include <iosfwd>
#include <optional>
#include <string>

#include "tavirel/clock.hpp"

namespace tavirel::cli {

class ElapsedIndicator {
 public:
  /// A disabled indicator never writes (standard error is not a terminal).
  ElapsedIndicator(std::ostream& out, Clock& clock, bool enabled);

  /// An OP named `label` starts waiting now.
  void Begin(std::string label);
  /// One pass of the wait loop: shows or updates the line once the wait has
  /// lasted more than a second, at most once per whole second.
  void Tick();
  /// Removes the line, if shown; the next Tick may show it again.
  void Clear();
  /// The OP ended: removes the line and stops until the next Begin.
  void End();

 private:
  std::ostream& out_;
  Clock& clock_;
  bool enabled_;
  std::string label_;
  std::optional<Clock::time_point> started_;
  long shown_seconds_ = -1;  // -1: nothing on the line
};

}  // namespace tavirel::cli
