#pragma once
// What one command changed in the register's state: the parts it may have
// written, and where the growing lists stood before it. With this a change
// is taken back, or written down, without copying the whole state.
#include <cstddef>

namespace tavirel::sim {

enum StatePart : unsigned {
  kHeadPart = 1U << 0,          // numbers, phase, flags, clock offset, the last document
  kTablesPart = 1U << 1,        // the tables and the header lines' print types
  kDisplaysPart = 1U << 2,      // the customer displays
  kFooterPart = 1U << 3,        // the additional lines of the next receipt
  kTotalsPart = 1U << 4,        // the daily and periodic totals, the fiscal day
  kReceiptTailPart = 1U << 5,   // entries and lines added to the open receipt, its payments
  kReceiptWholePart = 1U << 6,  // the open receipt as a whole, and the last receipt
  kMemoryPart = 1U << 7,        // records added to the fiscal memory
};

struct StateChange {
  unsigned parts = 0;              // StatePart bits; 0 when nothing changed
  std::size_t entries_before = 0;  // the open receipt's entries before the command
  std::size_t lines_before = 0;    // its printed lines before the command
  std::size_t memory_before = 0;   // fiscal records before the command
  int corrected_entry = -1;        // the entry a correction took back, if any
};

}  // namespace tavirel::sim
