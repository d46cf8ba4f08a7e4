#pragma once
// Which handler serves each command code, where in the register's sequence it
// may come, and whether it prints.
#include "handlers.hpp"
#include "tavirel/sim/state_change.hpp"

namespace tavirel::sim {

enum class Where {
  Anytime,        // readings, display, drawer, keyboard, restart
  SaleEntry,      // a receipt line, or an entry into the open receipt
  Payment,        // payments and subtotal: in an open receipt
  IdleOnly,       // with no document open: reports, programming, ...
  NonFiscalOnly,  // inside a non-fiscal document
  NotNonFiscal    // anywhere but inside a non-fiscal document
};

struct CommandEntry {
  int code;
  Handler handler;
  Where where;
  bool prints;
  unsigned changes;  // the StatePart bits it may change besides the head; 0 for none at all
};

/// The entry for a code, or nullptr.
const CommandEntry* FindCommand(int code);
/// The error number for a command of `where` in `phase`, 0 when allowed.
int SequenceRefusal(Where where, Phase phase);

}  // namespace tavirel::sim
