#include "soak_host.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace tavirel::soak {
namespace {

using Steady = std::chrono::steady_clock;

constexpr int kAckLimit = 3;  // seconds for the ACK, from the send
// With no receipt open the void is out of sequence (11); 12 says the same.
bool NothingToVoid(std::int16_t printer_error) {
  return printer_error == 11 || printer_error == 12;
}
constexpr std::int16_t kPaperEnd = 2;
constexpr int kMaxAttempts = 200;

std::string Description(long id, int line) {
  char text[48];
  std::snprintf(text, sizeof text, "R%07ld L%02d", id, line);
  return text;
}

}  // namespace

SoakHost::SoakHost(TavirelControl& control, std::uint64_t seed, std::size_t expected_receipts)
    : control_(control), random_(seed), verbose_(std::getenv("TAVIREL_SOAK_VERBOSE") != nullptr) {
  receipts_.reserve(expected_receipts);  // so the record does not grow the heap during the run
  HostHooks hooks;
  hooks.trace = [this](TraceDirection direction, std::string_view bytes, Steady::time_point) {
    if (direction == TraceDirection::Read && bytes.find('\x06') != std::string_view::npos)
      ack_seen_ = true;
  };
  control_.SetHooks(std::move(hooks));
}

// Times the call against the limit the driver applies: 3 s while no ACK has
// come, the operation's reply limit once it has.
std::int16_t SoakHost::Call(const char* name, const std::function<std::int16_t()>& op,
                            int reply_limit) {
  ack_seen_ = false;
  const auto start = Steady::now();
  const std::int16_t result = op();
  const double took = std::chrono::duration<double>(Steady::now() - start).count();
  const int limit = ack_seen_ ? reply_limit : kAckLimit;
  ++calls_.calls;
  if (result >= -1 && result <= 5) ++calls_.by_result[static_cast<std::size_t>(result + 1)];
  calls_.worst_over_limit = std::max(calls_.worst_over_limit, took - limit);
  calls_.longest = std::max(calls_.longest, took);
  if (took > limit + 1.0) ++calls_.beyond_grace;
  if (verbose_) {
    std::fprintf(stderr, "%ld %s -> %d (LastEERR %d, LastOPCode %d) %.3f s\n", calls_.calls, name,
                 result, control_.LastEERR(), control_.LastOPCode(), took);
  }
  return result;
}

void SoakHost::RunReceipt() {
  ReceiptRecord receipt;
  receipt.id = static_cast<long>(receipts_.size()) + 1;
  const int lines = std::uniform_int_distribution<int>(1, 15)(random_);
  std::uniform_int_distribution<int> cents(10, 2000);
  std::uniform_int_distribution<int> department(1, 4);
  for (int line = 1; line <= lines; ++line) {
    const int price = cents(random_);
    const auto dept = static_cast<std::int16_t>(department(random_));
    const std::string text = Description(receipt.id, line);
    if (Call("opReparto", [&] {
          return control_.opReparto(1, text, Currency::FromRaw(price * 100LL), dept);
        }) != OP_OK) {
      return Abandon(receipt);
    }
    receipt.cents += price;
  }
  if (Call("opSubTot", [&] { return control_.opSubTot(1); }) != OP_OK) return Abandon(receipt);
  const std::int16_t paid = Call("opContante", [&] { return control_.opContante(1); });
  if (paid == OP_OK && control_.LastOPCode() == OP_CODE_CONT_REST) {
    receipt.fate = Fate::ClosedOk;
    receipts_.push_back(receipt);
    return;
  }
  if (paid == OP_OK) ++calls_.anomalies;  // a payment that did not close: the flow allows none
  receipt.payment_uncertain = paid == OP_ERR_TIMEOUT || paid == OP_ERR_CHKS;
  Abandon(receipt);
}

// Voids whatever is open, until the register says there is nothing to void.
void SoakHost::Abandon(ReceiptRecord& receipt) {
  bool settled = false;
  for (int attempt = 0; attempt < kMaxAttempts && !settled; ++attempt) {
    const std::int16_t result = Call("opVoidTot", [&] { return control_.opVoidTot(1); });
    if (result == OP_OK) {
      receipt.fate = Fate::Voided;
      settled = true;
      continue;
    }
    if (result == EERR && NothingToVoid(control_.LastEERR())) {
      receipt.fate = Fate::NothingOpen;
      settled = true;
      continue;
    }
    if (result == OP_ERR_TIMEOUT || result == OP_ERR_CHKS) receipt.void_uncertain = true;
    if (result == EERR && control_.LastEERR() == kPaperEnd) RecoverPaper();
    // Anything else (a timeout, a checksum error, an error reply the
    // register did not carry out): ask again; the next answer tells.
  }
  if (!settled) ++calls_.anomalies;
  receipts_.push_back(receipt);
}

// The paper comes back by itself; printing resumes after the restart command.
void SoakHost::RecoverPaper() {
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    if (Call("opRiavvioStampaDaFineCarta",
             [&] { return control_.opRiavvioStampaDaFineCarta(1); }) == OP_OK)
      return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ++calls_.anomalies;
}

}  // namespace tavirel::soak
