// A whole receipt as a point-of-sale program writes it: three lines, a 10%
// discount, the subtotal and a cash payment with change, in euro mode.
//
// What it shows besides the happy path:
//   - errors of the call (no such device, port in use, bad settings) are
//     exceptions, caught once around the whole job;
//   - a refusal by the printer (EERR) names its error; the open receipt is
//     voided so that nothing half-done is left on the register;
//   - a lost reply (OP_ERR_TIMEOUT, OP_ERR_CHKS) may hide a command the
//     register carried out, so it is never simply sent again: the subtotal
//     tells whether a line or the discount counted, and whether the receipt
//     is still open after a payment;
//   - every FPError event goes to a log through the host's hook.
//
// Usage: full_receipt DEVICE [SETTINGS]   e.g. full_receipt /dev/ttyUSB0 9600,n,8,1
// Exit status: 0 when the receipt closed, 1 when it did not, 2 on an error of the call.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"
#include "tavirel/tavirel_control.hpp"

using namespace tavirel;

namespace {

constexpr std::int16_t kOperator = 1;  // CodOpr: the operator at the till
constexpr int kAttempts = 3;           // of a command that is safe to repeat

struct Line {
  const char* description;
  std::int16_t quantity;
  const char* price;  // euro, as the cashier typed it
  std::int16_t department;
};

const std::vector<Line> kLines = {
    {"PANE DI CASA", 1, "1.50", 1},
    {"GRISSINI", 3, "0.60", 1},
    {"TORTA DI MELE", 1, "12.00", 1},
};

bool LostReply(std::int16_t result) { return result == OP_ERR_TIMEOUT || result == OP_ERR_CHKS; }

void Refused(TavirelControl& ecr, const char* what) {
  std::fprintf(stderr, "%s refused by the printer: error %d, %s\n", what, ecr.LastEERR(),
               ecr.GetLastErrorDescription(EERR, ecr.LastEERR()).c_str());
}

/// The subtotal changes nothing, so it may be asked again after a lost reply.
std::int16_t Subtotal(TavirelControl& ecr) {
  std::int16_t result = OP_ERR_TIMEOUT;
  for (int i = 0; i < kAttempts && LostReply(result); ++i) result = ecr.opSubTot(kOperator);
  return result;
}

constexpr std::int64_t kNoReceipt = -1;  // the subtotal was refused: no receipt is open
constexpr std::int64_t kNoAnswer = -2;

/// The open receipt's total in cents, kNoReceipt or kNoAnswer.
std::int64_t SubtotalCents(TavirelControl& ecr) {
  const std::int16_t result = Subtotal(ecr);
  if (result == EERR) return kNoReceipt;
  if (result != OP_OK || ecr.LastOPCode() != OP_CODE_SUBT) return kNoAnswer;
  return ecr.LastSubTotFisc().RoundedUnits(0);  // euro mode: whole cents
}

/// Runs a command that changes the receipt's total from `total` to `after`,
/// exactly once. After a lost reply the subtotal tells whether it counted:
/// if the total is `after`, it did; if it is still `total`, the command is
/// sent once more; anything else is left to a person. Returns false when the
/// change is not on the receipt.
bool ChangeOnce(TavirelControl& ecr, const char* what, const std::function<std::int16_t()>& send,
                std::int64_t& total, std::int64_t after) {
  std::int16_t result = send();
  if (LostReply(result)) {
    const std::int64_t now = SubtotalCents(ecr);
    if (now == after) {
      result = OP_OK;  // carried out; only its reply was lost
    } else if (now == total || (total == 0 && now == kNoReceipt)) {
      result = send();
    } else {
      std::fprintf(stderr, "%s: the register's total (%lld cents) is neither before nor after\n",
                   what, static_cast<long long>(now));
      return false;
    }
  }
  if (result == EERR) Refused(ecr, what);
  if (result != OP_OK) return false;
  total = after;
  return true;
}

bool Sell(TavirelControl& ecr, const Line& line, std::int64_t& total) {
  const Currency price = Currency::Parse(line.price);
  const std::int64_t cents = line.quantity * price.RoundedUnits(2);
  return ChangeOnce(
      ecr, line.description,
      [&] {
        return ecr.opRepartoQInt(kOperator, line.description, line.quantity, price,
                                 line.department);
      },
      total, total + cents);
}

bool TenPercentOff(TavirelControl& ecr, std::int64_t& total) {
  const std::int64_t discount = (total * 10 + 50) / 100;  // half up
  return ChangeOnce(
      ecr, "the discount", [&] { return ecr.opSubTotPercMinus(kOperator, 10.0F); }, total,
      total - discount);
}

/// Takes the open receipt back; the void itself is printed.
void VoidReceipt(TavirelControl& ecr) {
  if (ecr.opVoidTot(kOperator) == OP_OK)
    std::fprintf(stderr, "receipt voided\n");
  else
    std::fprintf(stderr, "the receipt could not be voided: see the register's display\n");
}

enum class ReceiptState { Open, Closed, Unknown };

/// Where the receipt stands: an open receipt answers the subtotal, and a
/// register with no receipt open refuses it.
ReceiptState Where(TavirelControl& ecr) {
  switch (Subtotal(ecr)) {
    case OP_OK: return ReceiptState::Open;
    case EERR: return ReceiptState::Closed;
    default: return ReceiptState::Unknown;
  }
}

/// Pays `cash` for the whole receipt; true when the register closed it. A
/// payment whose reply was lost is made again only if the receipt is still
/// open, so a customer never pays twice.
bool PayCash(TavirelControl& ecr, Currency cash) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::int16_t result = ecr.opContante(kOperator, cash);
    if (result == OP_OK && ecr.LastOPCode() == OP_CODE_CONT_REST) {
      std::printf("receipt %d closed, change %s cents\n", ecr.LastNumSF(),
                  ecr.LastRest().ToString().c_str());
      return true;
    }
    if (result == EERR) Refused(ecr, "the payment");
    if (!LostReply(result)) return false;
    switch (Where(ecr)) {
      case ReceiptState::Open: continue;  // the payment did not count
      case ReceiptState::Closed:
        std::printf("receipt closed; its reply was lost (number and change on the paper)\n");
        return true;
      case ReceiptState::Unknown:
        std::fprintf(stderr, "the register does not answer: check it before paying again\n");
        return false;
    }
  }
  return false;
}

int Receipt(const char* device, const char* settings) {
  TavirelControl ecr(PosixSerialPort::ForDevice(device));
  ecr.InitProperties();
  ecr.Settings(settings);
  ecr.EuroSettings(TVL_EUROSETTINGS_EURO);
  HostHooks hooks;
  hooks.fp_error = [](std::int16_t& level, std::int32_t& code) {
    std::fprintf(stderr, "FPError level %d code %d\n", level, code);
  };
  ecr.SetHooks(std::move(hooks));
  ecr.PortOpen();

  std::int64_t total = 0;
  for (const Line& line : kLines) {
    if (!Sell(ecr, line, total)) {
      if (total > 0) VoidReceipt(ecr);
      return 1;
    }
  }
  if (!TenPercentOff(ecr, total)) {
    VoidReceipt(ecr);
    return 1;
  }
  std::printf("%zu lines, %lld cents to pay after the discount\n", kLines.size(),
              static_cast<long long>(total));
  return PayCash(ecr, Currency::Parse("20.00")) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: full_receipt DEVICE [SETTINGS]\n");
    return 2;
  }
  try {
    return Receipt(argv[1], argc > 2 ? argv[2] : kDefaultSettings);
  } catch (const TavirelError& e) {
    std::fprintf(stderr, "full_receipt: %s\n", e.what());
    return 2;
  }
}
