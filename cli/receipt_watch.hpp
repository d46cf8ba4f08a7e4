#pragma once
// Follows the fiscal operations of one run to tell, at its end, whether the
// last of them left a receipt open: a sale line, adjustment or subtotal with
// no closing payment or void after it. Only what this run did is known; a
// receipt left open by an earlier run is not.
#include <optional>
#include <string>

#include "op_outcome.hpp"

namespace tavirel::cli {

class ReceiptWatch {
 public:
  /// Takes the outcome of each OP, in order.
  void Note(const OpOutcome& outcome);
  /// An OP whose request went out but whose answer never came (its wait was
  /// cancelled): the register may have carried it out.
  void NoteLost(const std::string& member);
  /// "warning: ..." when a receipt is, or may be, still open.
  [[nodiscard]] std::optional<std::string> Warning() const;

 private:
  enum class State { Closed, Open, MaybeOpen };
  void Unanswered(const std::string& member, bool entry, std::string result);
  State state_ = State::Closed;
  std::string last_;         // the fiscal operation that decided the state
  std::string last_result_;  // what it got: "OP_OK", "OP_ERR_TIMEOUT", "its wait was cancelled"
};

}  // namespace tavirel::cli
