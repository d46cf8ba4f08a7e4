// Subtotal, discounts and surcharges on the subtotal, and the payments that
// leave a remainder or close the receipt.
#include "handlers.hpp"
#include "printing.hpp"
#include "receipt_flow.hpp"
#include "receipt_math.hpp"
#include "refusal.hpp"
#include "reply_writer.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

constexpr int kSubtotalRemainder = 1181;

// Adjustments come in the sale phase, as one more entry of the receipt.
void RequireSalePhase(const RegisterState& s) {
  if (s.phase != Phase::Sale) Refuse(perr::kSequenzaErrata);
  RequireRoom(s.receipt);
}

ReceiptEntry Adjustment(EntryKind kind, Amount signed_amount, const OpenReceipt& r) {
  ReceiptEntry e;
  e.kind = kind;
  e.amount = signed_amount;
  e.by_vat = Distribute(signed_amount, FiscalByVat(r));
  return e;
}

struct PaymentResult {
  Amount paid = 0;
  Amount remainder = 0;  // still to pay, when not closed
  Amount change = 0;
  int number = 0;  // receipt number, when closed
  bool closed = false;
};

// Applies a payment of `amount` (0: the whole remainder) of `kind`.
PaymentResult Pay(Context& c, PayKind kind, Amount amount, std::string_view label) {
  auto& r = c.s.receipt;
  const Amount due = Total(r) - Paid(r);
  PaymentResult result;
  result.paid = amount == 0 ? due : amount;
  r.paid[static_cast<std::size_t>(kind)] += result.paid;
  if (c.s.phase == Phase::Sale) {
    c.Print(DocumentKind::Receipt,
            Row(std::string("TOTALE ") + UnitName(c.s.currency), Money(Total(r), c.s.currency)));
  }
  c.Print(DocumentKind::Receipt, Row(label, Money(result.paid, c.s.currency)));
  if (result.paid < due) {
    result.remainder = due - result.paid;
    c.s.phase = Phase::Payment;
    ShowOnDisplay(c, label, result.paid, "DA PAGARE", result.remainder);
    return result;
  }
  result.change = result.paid - due;
  result.closed = true;
  result.number = CloseReceipt(c, kind, result.change);
  return result;
}

}  // namespace

std::string Subtotal(Context& c, const Command& cmd) {
  const auto& r = c.s.receipt;
  if (c.s.phase == Phase::Payment) {
    return ReplyWriter(kSubtotalRemainder)
        .Raw(cmd.Raw("CodOpr"))
        .Digits(Total(r) - Paid(r), 9)
        .Payload();
  }
  c.Print(DocumentKind::Receipt, Row("SUBTOTALE", Money(Total(r), c.s.currency)));
  ShowOnDisplay(c, "SUBTOTALE", Total(r), "", 0);
  return ReplyWriter(cmd.Code())
      .Raw(cmd.Raw("CodOpr"))
      .Digits(FiscalSubtotal(r), 9)
      .Digits(NonFiscalSubtotal(r), 9)
      .Payload();
}

std::string AmountDiscount(Context& c, const Command& cmd) {
  RequireSalePhase(c.s);
  auto& r = c.s.receipt;
  const Amount amount = cmd.Number("Importo");
  if (amount == 0) Refuse(perr::kValoreErrato);
  if (amount > FiscalSubtotal(r)) Refuse(perr::kSuperaValore);
  AddEntry(r, Adjustment(EntryKind::AmountDiscount, -amount, r));
  r.correctable = true;
  c.Print(DocumentKind::Receipt, Row("ABBUONO", Money(-amount, c.s.currency)));
  return ReplyWriter(cmd.Code())
      .Raw(cmd.Raw("CodOpr"))
      .Digits(Total(r), 9)
      .Digits(amount, 9)
      .Payload();
}

std::string PercentAdjustment(Context& c, const Command& cmd) {
  RequireSalePhase(c.s);
  auto& r = c.s.receipt;
  const bool surcharge = cmd.Code() == 1025;
  const int percent = cmd.Int("Perc");
  if (percent == 0) Refuse(perr::kValoreErrato);
  const Amount amount = PercentOf(FiscalSubtotal(r), percent);
  if (amount <= 0) Refuse(perr::kValoreErrato);
  ReceiptEntry e = Adjustment(surcharge ? EntryKind::PercentSurcharge : EntryKind::PercentDiscount,
                              surcharge ? amount : -amount, r);
  e.percent = percent;
  AddEntry(r, e);
  CheckReceiptBounds(r);
  r.correctable = true;
  const std::string label =
      std::string(surcharge ? "MAGGIORAZIONE " : "SCONTO ") + Percent(percent);
  c.Print(DocumentKind::Receipt, Row(label, Money(e.amount, c.s.currency)));
  return ReplyWriter(cmd.Code())
      .Raw(cmd.Raw("CodOpr"))
      .Digits(Total(r), 9)
      .Digits(percent, 4)
      .Digits(amount, 9)
      .Payload();
}

std::string CashOrCheque(Context& c, const Command& cmd) {
  const bool cash = cmd.Code() == 1036;
  const PaymentResult p = Pay(c, cash ? PayKind::Cash : PayKind::Cheque, cmd.Number("Importo"),
                              cash ? "CONTANTE" : "ASSEGNO");
  const int remainder_code = cash ? 1171 : 1175;
  if (!p.closed) {
    return ReplyWriter(remainder_code)
        .Raw(cmd.Raw("CodOpr"))
        .Digits(p.paid, 9)
        .Digits(p.remainder, 9)
        .Payload();
  }
  return ReplyWriter(remainder_code + 1)
      .Raw(cmd.Raw("CodOpr"))
      .Digits(p.paid, 9)
      .Digits(p.change, 9)
      .Date(c.now)
      .Digits(p.number, 4)
      .Payload();
}

std::string CreditCard(Context& c, const Command& cmd) {
  const int card = cmd.Int("NCartaCC");
  CheckEntry(card, kCardTypes);
  if (!c.s.tables.card_types[static_cast<std::size_t>(card)].programmed)
    Refuse(perr::kNonProgrammato);
  const std::string label =
      "CARTA " + Trimmed(c.s.tables.card_types[static_cast<std::size_t>(card)].description);
  const PaymentResult p = Pay(c, PayKind::Card, 0, label);
  return ReplyWriter(cmd.Code())
      .Raw(cmd.Raw("CodOpr"))
      .Raw(cmd.Raw("NCartaCC"))
      .Digits(p.paid, 9)
      .Date(c.now)
      .Digits(p.number, 4)
      .Payload();
}

std::string Ticket(Context& c, const Command& cmd) {
  const int type = cmd.Int("NTipoTicket");
  CheckEntry(type, kTicketTypes);
  const TicketType& t = c.s.tables.ticket_types[static_cast<std::size_t>(type)];
  if (!t.programmed) Refuse(perr::kNonProgrammato);
  Amount value = cmd.Number("ValoreTicket");
  if (value == 0) value = t.value;
  if (value == 0) Refuse(perr::kValoreErrato);
  const PaymentResult p = Pay(c, PayKind::Ticket, value, "TICKET " + Trimmed(t.description));
  if (!p.closed) {
    return ReplyWriter(1179)
        .Raw(cmd.Raw("CodOpr"))
        .Raw(cmd.Raw("NTipoTicket"))
        .Digits(p.paid, 9)
        .Digits(p.remainder, 9)
        .Payload();
  }
  return ReplyWriter(1180)
      .Raw(cmd.Raw("CodOpr"))
      .Raw(cmd.Raw("NTipoTicket"))
      .Digits(p.paid, 9)
      .Digits(p.change, 9)
      .Date(c.now)
      .Digits(p.number, 4)
      .Payload();
}

}  // namespace tavirel::sim
