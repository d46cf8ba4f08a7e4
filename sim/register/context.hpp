#pragma once
// What a command handler works on: a copy of the register's state (committed
// only when the handler returns), the fiscal memory, the register's time and
// the lines it prints.
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

  /// Prints one line; lines of an open receipt are also kept for the reprint.
  void Print(DocumentKind kind, std::string text, bool begins = false, bool ends = false);
};

}  // namespace tavirel::sim
