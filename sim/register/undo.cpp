#include "undo.hpp"

namespace tavirel::sim {

UndoRecord::UndoRecord(const RegisterState& s, std::size_t memory_size, unsigned parts)
    : parts_(parts), memory_size_(memory_size), head_(HeadOf(s)) {
  if (parts & kTablesPart) {
    tables_ = s.tables;
    line_types_ = s.line_types;
  }
  if (parts & kDisplaysPart) displays_ = s.displays;
  if (parts & kFooterPart) footer_ = s.footer;
  if (parts & kTotalsPart) {
    daily_ = s.daily;
    periodic_ = s.periodic;
    day_ = s.day;
  }
  const OpenReceipt& r = s.receipt;
  tail_ = ReceiptTail{r.entries.size(), r.lines.size(),  r.paid,          r.operator_code,
                      r.correctable,    r.fiscal_by_vat, r.non_fiscal_sum};
  if (parts & kReceiptWholePart) {
    receipt_ = s.receipt;
    last_receipt_ = s.last_receipt;
  }
}

void UndoRecord::Restore(RegisterState& s, std::vector<FiscalRecord>& memory,
                         int corrected_entry) const {
  SetHead(s, head_);
  if (tables_) {
    s.tables = *tables_;
    s.line_types = line_types_;
  }
  if (parts_ & kDisplaysPart) s.displays = displays_;
  if (parts_ & kFooterPart) s.footer = footer_;
  if (daily_) s.daily = *daily_;
  if (periodic_) s.periodic = *periodic_;
  if (day_) s.day = *day_;
  if (receipt_) {
    s.receipt = *receipt_;
    s.last_receipt = last_receipt_;
  } else if (parts_ & kReceiptTailPart) {
    OpenReceipt& r = s.receipt;
    if (corrected_entry >= 0 && static_cast<std::size_t>(corrected_entry) < r.entries.size())
      r.entries[static_cast<std::size_t>(corrected_entry)].corrected = false;
    r.entries.resize(tail_.entries);
    r.lines.resize(tail_.lines);
    r.paid = tail_.paid;
    r.operator_code = tail_.operator_code;
    r.correctable = tail_.correctable;
    r.fiscal_by_vat = tail_.fiscal_by_vat;
    r.non_fiscal_sum = tail_.non_fiscal_sum;
  }
  memory.resize(memory_size_);
}

StateChange UndoRecord::Change(int corrected_entry) const {
  return StateChange{parts_, tail_.entries, tail_.lines, memory_size_, corrected_entry};
}

}  // namespace tavirel::sim
