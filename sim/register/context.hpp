#pragma once
// What a command handler works on: a copy of the register's state (committed
// only when the handler returns), the fiscal memory, the register's time and
// the lines it prints, and the document it finished.
#include <optional>
#include <string>
#include <vector>

#include "tavirel/sim/journal.hpp"
#include "tavirel/sim/register_state.hpp"

namespace tavirel::sim {

struct Context {
  RegisterState& s;
  const std::vector<FiscalRecord>& memory;
  CivilTime now;
  std::int64_t wall_seconds = 0;  // the wall clock the register's clock is offset from
  std::vector<FiscalRecord> new_records;
  std::vector<PrintedLine> printed;
  std::optional<PaperRecord> finished;  // numbered by the model when the command succeeds
  int corrected_entry = -1;             // the receipt entry a correction took back

  /// Prints one line; lines of an open receipt are also kept for the reprint.
  void Print(DocumentKind kind, std::string text, bool begins = false, bool ends = false);
  /// Records the document this command finished, for the paper record.
  void Finish(PaperKind kind, int number, Amount total, int lines, std::string report = {});
  /// Lines printed by this command so far.
  [[nodiscard]] int PrintedCount() const { return static_cast<int>(printed.size()); }
};

}  // namespace tavirel::sim
