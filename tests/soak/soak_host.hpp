#pragma once
// The host of the soak run: receipts of random sale lines, a subtotal and a
// cash payment, each call timed against its limit. A receipt that meets any
// result but OP_OK is abandoned and voided; one whose payment went out but
// came back uncertain may have closed, and is marked so.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "tavirel/tavirel_control.hpp"

namespace tavirel::soak {

enum class Fate {
  ClosedOk,     // the payment returned OP_OK with the closing code
  Voided,       // abandoned and voided with OP_OK
  NothingOpen,  // abandoned, and the register says nothing is open to void
};

struct ReceiptRecord {
  long id = 0;
  long long cents = 0;  // the sale lines that returned OP_OK
  Fate fate = Fate::NothingOpen;
  // Calls that went out and came back uncertain (a timeout or a checksum
  // error after the write): the register may have carried them out.
  bool payment_uncertain = false;  // so the receipt may have closed
  bool void_uncertain = false;     // so it may have been voided
};

struct CallFigures {
  long calls = 0;
  std::array<long, 7> by_result{};  // EERR (-1) .. OP_ERR_EUROLOCK (5), at code + 1
  double worst_over_limit = -1e9;   // seconds past its limit, the worst call
  double longest = 0;               // seconds
  long beyond_grace = 0;            // calls that took more than limit + 1 s
  long anomalies = 0;               // answers the flow does not allow
};

class SoakHost {
 public:
  SoakHost(TavirelControl& control, std::uint64_t seed, std::size_t expected_receipts);
  /// One receipt with whatever recovery it needs.
  void RunReceipt();
  [[nodiscard]] const CallFigures& Calls() const { return calls_; }
  [[nodiscard]] const std::vector<ReceiptRecord>& Receipts() const { return receipts_; }

 private:
  std::int16_t Call(const char* name, const std::function<std::int16_t()>& op,
                    int reply_limit = 10);
  void Abandon(ReceiptRecord& receipt);
  void RecoverPaper();

  TavirelControl& control_;
  std::mt19937_64 random_;
  CallFigures calls_;
  std::vector<ReceiptRecord> receipts_;
  bool ack_seen_ = false;
  bool verbose_ = false;  // every call on standard error (TAVIREL_SOAK_VERBOSE set)
};

}  // namespace tavirel::soak
