#include "receipt_watch.hpp"

#include <array>
#include <string_view>

#include "tavirel/result_codes.hpp"
#include "tavirel/result_record.hpp"

namespace tavirel::cli {
namespace {

enum class Role {
  Entry,    // adds to a receipt, opening it if none is open
  Payment,  // closes the receipt when its reply says so (change given), else leaves a remainder
  Closing,  // always ends the receipt (a card pays the whole remainder, a void drops it)
};

struct FiscalMember {
  std::string_view name;
  Role role;
};

constexpr std::array kFiscalMembers = {
    FiscalMember{"opReparto", Role::Entry},
    FiscalMember{"opRepartoQInt", Role::Entry},
    FiscalMember{"opRepartoQDec", Role::Entry},
    FiscalMember{"opRepartoReso", Role::Entry},
    FiscalMember{"opRepartoResoQInt", Role::Entry},
    FiscalMember{"opRepartoResoQDec", Role::Entry},
    FiscalMember{"opRepartoStorno", Role::Entry},
    FiscalMember{"opRepartoStornoQInt", Role::Entry},
    FiscalMember{"opRepartoStornoQDec", Role::Entry},
    FiscalMember{"opDescAgg", Role::Entry},
    FiscalMember{"opSubTot", Role::Entry},
    FiscalMember{"opSubTotAbbuono", Role::Entry},
    FiscalMember{"opSubTotPercPlus", Role::Entry},
    FiscalMember{"opSubTotPercMinus", Role::Entry},
    FiscalMember{"opCorr", Role::Entry},
    FiscalMember{"opContante", Role::Payment},
    FiscalMember{"opAssegno", Role::Payment},
    FiscalMember{"opTicket", Role::Payment},
    FiscalMember{"opCredCC", Role::Closing},
    FiscalMember{"opVoidTot", Role::Closing},
};

const FiscalMember* FindFiscal(std::string_view name) {
  for (const FiscalMember& member : kFiscalMembers) {
    if (member.name == name) return &member;
  }
  return nullptr;
}

// A payment's reply code says whether it closed the receipt.
bool PaymentClosed(const OpOutcome& outcome) {
  const auto at = static_cast<std::size_t>(Prop::LastOPCode);
  if (outcome.last.size() <= at) return false;
  const std::int16_t code = outcome.last[at].ToI2();
  return code == OP_CODE_CONT_REST || code == OP_CODE_ASSEG_REST || code == OP_CODE_TICKET_REST;
}

// The request went out but no usable answer came: the register may have
// carried it out.
bool IsUnanswered(std::int16_t result) { return result == OP_ERR_TIMEOUT || result == OP_ERR_CHKS; }

}  // namespace

void ReceiptWatch::Note(const OpOutcome& outcome) {
  const FiscalMember* member = outcome.operation ? FindFiscal(outcome.member) : nullptr;
  if (member == nullptr) return;
  if (outcome.result == OP_OK) {
    const bool closes =
        member->role == Role::Closing || (member->role == Role::Payment && PaymentClosed(outcome));
    state_ = closes ? State::Closed : State::Open;
    last_ = outcome.member;
    last_result_ = "OP_OK";
  } else if (IsUnanswered(outcome.result)) {
    Unanswered(outcome.member, member->role == Role::Entry,
               std::string(ResultName(outcome.result)));
  }
  // Otherwise refused or never sent: the receipt is as it was.
}

void ReceiptWatch::NoteLost(const std::string& member) {
  if (const FiscalMember* fiscal = FindFiscal(member)) {
    Unanswered(member, fiscal->role == Role::Entry, "its wait was cancelled");
  }
}

void ReceiptWatch::Unanswered(const std::string& member, bool entry, std::string result) {
  if (state_ == State::Closed && !entry) return;  // no receipt was open for it to leave open
  state_ = State::MaybeOpen;
  last_ = member;
  last_result_ = std::move(result);
}

std::optional<std::string> ReceiptWatch::Warning() const {
  switch (state_) {
    case State::Closed: return std::nullopt;
    case State::Open:
      return "warning: a receipt is still open: " + last_ +
             " was the last fiscal operation and no closing payment or opVoidTot followed it";
    case State::MaybeOpen:
      return "warning: a receipt may still be open: " + last_ + " got no usable answer (" +
             last_result_ + "); the register may have carried it out";
  }
  return std::nullopt;
}

}  // namespace tavirel::cli
