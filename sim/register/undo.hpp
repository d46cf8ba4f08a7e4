#pragma once
// The undo record of one command: before the command runs on the register's
// own state, the parts it may change are kept (the growing lists only by
// where they stood), so a refusal or a change that could not be kept takes
// the command back whole. Costs what the command may touch, not the state.
#include <optional>
#include <vector>

#include "head.hpp"
#include "tavirel/sim/state_change.hpp"

namespace tavirel::sim {

class UndoRecord {
 public:
  /// Keeps what `parts` (StatePart bits) of `s` a command is about to change.
  UndoRecord(const RegisterState& s, std::size_t memory_size, unsigned parts);
  /// Puts `s` and `memory` back as they were; `corrected_entry` is the entry a
  /// correction took back meanwhile (-1 for none).
  void Restore(RegisterState& s, std::vector<FiscalRecord>& memory, int corrected_entry) const;
  /// The change a command made, as far as the record knows it.
  [[nodiscard]] StateChange Change(int corrected_entry) const;

 private:
  struct ReceiptTail {
    std::size_t entries = 0;
    std::size_t lines = 0;
    PaymentTotals paid{};
    int operator_code = 0;
    bool correctable = false;
    std::vector<Amount> fiscal_by_vat;
    Amount non_fiscal_sum = 0;
  };

  unsigned parts_;
  std::size_t memory_size_;
  HeadValues head_;
  std::optional<Tables> tables_;
  std::vector<int> line_types_;
  std::vector<DisplayState> displays_;
  std::vector<std::string> footer_;
  std::optional<ReportTotals> daily_;
  std::optional<ReportTotals> periodic_;
  std::optional<FiscalDay> day_;
  ReceiptTail tail_;
  std::optional<OpenReceipt> receipt_;
  std::vector<std::string> last_receipt_;
};

}  // namespace tavirel::sim
