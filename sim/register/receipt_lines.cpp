// Sale, return and void lines, the additional description, the correction of
// the last entry and the void of the whole receipt.
#include <cstdio>

#include "handlers.hpp"
#include "printing.hpp"
#include "receipt_flow.hpp"
#include "receipt_math.hpp"
#include "refusal.hpp"
#include "reply_writer.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

struct LineKind {
  EntryKind kind;
  int form;  // 0 unit quantity, 1 whole quantity, 2 decimal quantity
};

LineKind KindOf(int code) {
  const int base = code < 1009 ? 1003 : code < 1015 ? 1009 : 1015;
  const EntryKind kind = base == 1003   ? EntryKind::Sale
                         : base == 1009 ? EntryKind::Return
                                        : EntryKind::LineVoid;
  return {kind, code - base};
}

std::int64_t CheckedQuantity(const Command& cmd, int form) {
  const std::int64_t qty = cmd.Number("Qta");
  if (qty == 0) Refuse(perr::kValoreErrato);
  if (form == 0 && qty != 1000) Refuse(perr::kValoreErrato);
  if (form == 1 && qty % 1000 != 0) Refuse(perr::kValoreErrato);
  return qty;
}

const Department& SellableDepartment(const RegisterState& s, int rep) {
  CheckEntry(rep, kDepartments);
  const Department& d = s.tables.departments[static_cast<std::size_t>(rep)];
  if (!d.programmed) Refuse(perr::kNonProgrammato);
  if (d.item == 0) {
    if (d.vat < 1 || d.vat > kVatRates ||
        !s.tables.vat_rates[static_cast<std::size_t>(d.vat)].programmed) {
      Refuse(perr::kNonProgrammato);
    }
  }
  return d;
}

// Quantity sold on a department at a price and not voided yet in this receipt.
std::int64_t VoidableQuantity(const OpenReceipt& r, int rep, Amount price) {
  std::int64_t qty = 0;
  for (const auto& e : r.entries) {
    if (e.corrected || e.department != rep || e.unit_price != price) continue;
    if (e.kind == EntryKind::Sale) qty += e.quantity;
    if (e.kind == EntryKind::LineVoid) qty -= e.quantity;
  }
  return qty;
}

std::string QuantityText(std::int64_t qty) {
  char text[32];
  if (qty % 1000 == 0) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(qty / 1000));
  } else {
    std::snprintf(text, sizeof text, "%lld,%03lld", static_cast<long long>(qty / 1000),
                  static_cast<long long>(qty % 1000));
  }
  return text;
}

void PrintLine(Context& c, const ReceiptEntry& e, const Department& d) {
  const auto k = DocumentKind::Receipt;
  const auto unit = c.s.currency;
  if (e.quantity != 1000) {
    c.Print(k, "  " + QuantityText(e.quantity) + " x " + Money(e.unit_price, unit));
  }
  std::string label = Trimmed(e.description);
  if (label.empty()) label = Trimmed(d.description);
  if (e.kind == EntryKind::Return) label = "RESO " + label;
  if (e.kind == EntryKind::LineVoid) label = "STORNO " + label;
  const std::string vat =
      e.fiscal ? Percent(c.s.tables.vat_rates[static_cast<std::size_t>(d.vat)].hundredths) : "NF";
  c.Print(k, Row(label, Money(e.amount, unit) + " " + vat));
}

}  // namespace

std::string SaleLine(Context& c, const Command& cmd) {
  auto& s = c.s;
  const LineKind lk = KindOf(cmd.Code());
  const int rep = cmd.Int("Rep");
  const Department& d = SellableDepartment(s, rep);
  const std::int64_t qty = CheckedQuantity(cmd, lk.form);
  const int price_type = cmd.Int("TipoPrezzo");
  if (price_type < 1 || price_type > 3) Refuse(perr::kValoreErrato);
  Amount price = cmd.Number("Prezzo");
  if (price == 0) price = d.prices[static_cast<std::size_t>(price_type - 1)];
  if (price == 0) Refuse(perr::kNonProgrammato);
  const Amount amount = LineAmount(qty, price);
  if (amount == 0) Refuse(perr::kValoreErrato);
  if (amount > kMaxAmount || (d.limit > 0 && amount > d.limit)) Refuse(perr::kSuperaLimite);
  if (lk.kind == EntryKind::LineVoid && VoidableQuantity(s.receipt, rep, price) < qty) {
    Refuse(perr::kDatiInesistenti);
  }
  RequireRoom(s.receipt);

  if (s.phase == Phase::Idle) BeginReceipt(c, cmd.Int("CodOpr"));
  ReceiptEntry e;
  e.kind = lk.kind;
  e.department = rep;
  e.description = FromLine(cmd.Raw("DescProd"));
  e.product_code = FromLine(cmd.Raw("CodProd"));
  e.quantity = qty;
  e.unit_price = price;
  e.amount = lk.kind == EntryKind::Sale ? amount : -amount;
  e.fiscal = d.item == 0;
  if (e.fiscal) {
    e.by_vat.assign(kVatRates + 1, 0);
    e.by_vat[static_cast<std::size_t>(d.vat)] = e.amount;
  }
  AddEntry(s.receipt, e);
  CheckReceiptBounds(s.receipt);
  s.receipt.correctable = true;
  PrintLine(c, e, d);
  ShowOnDisplay(c, Trimmed(e.description), e.amount, "TOTALE", Total(s.receipt));
  return ReplyWriter(cmd.Code())
      .Raw(cmd.Raw("CodOpr"))
      .Raw(cmd.Raw("CodProd"))
      .Digits(qty, 7)
      .Digits(price_type, 1)
      .Digits(price, 9)
      .Digits(amount, 9)
      .Digits(rep, 2)
      .Payload();
}

std::string AdditionalDescription(Context& c, const Command& cmd) {
  if (c.s.phase != Phase::Sale) Refuse(perr::kSequenzaErrata);
  RequireRoom(c.s.receipt);
  ReceiptEntry e;
  e.kind = EntryKind::Description;
  e.description = FromLine(cmd.Raw("Descr"));
  AddEntry(c.s.receipt, e);
  c.Print(DocumentKind::Receipt, Trimmed(e.description));
  return ReplyWriter(cmd.Code()).Raw(cmd.Raw("CodOpr")).Payload();
}

std::string Correction(Context& c, const Command& cmd) {
  auto& r = c.s.receipt;
  if (c.s.phase != Phase::Sale || !r.correctable) Refuse(perr::kSequenzaErrata);
  std::size_t last = r.entries.size();
  while (last > 0) {
    const ReceiptEntry& e = r.entries[last - 1];
    if (e.kind != EntryKind::Description && !e.corrected) break;
    --last;
  }
  if (last == 0) Refuse(perr::kDatiInesistenti);
  const std::size_t index = last - 1;
  CorrectEntry(r, index);
  c.corrected_entry = static_cast<int>(index);
  CheckReceiptBounds(r);
  r.correctable = false;
  c.Print(DocumentKind::Receipt, Row("CORREZIONE", Money(-r.entries[index].amount, c.s.currency)));
  return ReplyWriter(cmd.Code()).Raw(cmd.Raw("CodOpr")).Payload();
}

std::string VoidReceipt(Context& c, const Command& cmd) {
  if (c.s.phase != Phase::Sale) Refuse(perr::kSequenzaErrata);
  const Amount fiscal = FiscalSubtotal(c.s.receipt);
  const Amount non_fiscal = NonFiscalSubtotal(c.s.receipt);
  const int number = VoidOpenReceipt(c);
  return ReplyWriter(cmd.Code())
      .Raw(cmd.Raw("CodOpr"))
      .Digits(fiscal, 9)
      .Digits(non_fiscal, 9)
      .Date(c.now)
      .Digits(number, 4)
      .Payload();
}

}  // namespace tavirel::sim
