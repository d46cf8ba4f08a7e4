#include "receipt_flow.hpp"

#include <array>
#include <cstdio>

#include "handlers.hpp"
#include "printing.hpp"
#include "receipt_math.hpp"
#include "refusal.hpp"
#include "tavirel/cp1252.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

FinancialTotals ReceiptFinancials(const OpenReceipt& r, PayKind closing, Amount change) {
  FinancialTotals t;
  for (const auto& e : r.entries) {
    if (e.corrected) continue;
    if (!e.fiscal) {
      t.non_fiscal += e.amount;
      continue;
    }
    switch (e.kind) {
      case EntryKind::Sale: t.sales += e.amount; break;
      case EntryKind::Return: t.returns -= e.amount; break;
      case EntryKind::LineVoid: t.line_voids -= e.amount; break;
      case EntryKind::AmountDiscount:
      case EntryKind::PercentDiscount: t.discounts -= e.amount; break;
      case EntryKind::PercentSurcharge: t.surcharges += e.amount; break;
      case EntryKind::Description: break;
    }
  }
  t.receipts = 1;
  t.payments = r.paid;
  t.payments[static_cast<std::size_t>(closing)] -= change;
  t.change = change;
  return t;
}

void AddFinancials(FinancialTotals& to, const FinancialTotals& t) {
  AddToTotal(to.sales, t.sales);
  AddToTotal(to.returns, t.returns);
  AddToTotal(to.line_voids, t.line_voids);
  AddToTotal(to.discounts, t.discounts);
  AddToTotal(to.surcharges, t.surcharges);
  AddToTotal(to.non_fiscal, t.non_fiscal);
  AddToTotal(to.voided_receipts_amount, t.voided_receipts_amount);
  AddToCount(to.receipts, t.receipts);
  AddToCount(to.voided_receipts, t.voided_receipts);
  for (std::size_t i = 0; i < to.payments.size(); ++i) AddToTotal(to.payments[i], t.payments[i]);
  AddToTotal(to.change, t.change);
}

void AddToReports(ReportTotals& to, const OpenReceipt& r, const FinancialTotals& t, int hour) {
  AddFinancials(to.financial, t);
  if (t.receipts == 0) return;
  for (const auto& e : r.entries) {
    if (e.corrected || e.department <= 0) continue;
    auto& dept = to.by_department[static_cast<std::size_t>(e.department)];
    AddToCount(dept.count, 1);
    AddToTotal(dept.amount, e.amount);
    AddToTotal(dept.quantity, e.kind == EntryKind::Sale ? e.quantity : -e.quantity);
  }
  const Amount total = Total(r);
  auto& opr = to.by_operator[static_cast<std::size_t>(r.operator_code)];
  AddToCount(opr.count, 1);
  AddToTotal(opr.amount, total);
  auto& h = to.by_hour[static_cast<std::size_t>(hour)];
  AddToCount(h.count, 1);
  AddToTotal(h.amount, total);
}

void RecordInDay(Context& c, const FinancialTotals& t, int number) {
  FiscalDay& day = c.s.day;
  AddFinancials(day.totals, t);
  if (t.receipts > 0) {
    const auto& by_vat = FiscalByVat(c.s.receipt);
    for (std::size_t i = 0; i < by_vat.size(); ++i) AddToTotal(day.by_vat[i], by_vat[i]);
  }
  if (day.first_receipt == 0) day.first_receipt = number;
  day.last_receipt = number;
}

// Sale, return and void lines that stand (a corrected line does not).
int CountedLines(const OpenReceipt& r) {
  int lines = 0;
  for (const auto& e : r.entries) {
    const bool line =
        e.kind == EntryKind::Sale || e.kind == EntryKind::Return || e.kind == EntryKind::LineVoid;
    if (line && !e.corrected) ++lines;
  }
  return lines;
}

void FinishReceipt(Context& c) {
  c.s.last_receipt = c.s.receipt.lines;
  c.s.receipt = OpenReceipt{};
  c.s.phase = Phase::Idle;
  for (auto& line : c.s.footer) line.clear();
}

}  // namespace

void BeginReceipt(Context& c, int operator_code) {
  if (c.s.receipt_number >= 9999) Refuse(perr::kNonPossibile);
  if (DayMustBeClosed(c.s, c.now)) Refuse(perr::kImpossibileOra);
  if (!c.s.day_opened_at) c.s.day_opened_at = c.now;
  c.s.receipt = OpenReceipt{};
  c.s.receipt.operator_code = operator_code;
  c.s.phase = Phase::Sale;
  PrintHeader(c, DocumentKind::Receipt);
  c.Print(DocumentKind::Receipt, Row("", UnitName(c.s.currency)));
}

bool DayMustBeClosed(const RegisterState& s, const CivilTime& now) {
  return s.day_opened_at && now.ToSeconds() - s.day_opened_at->ToSeconds() > kDayLength;
}

void RequireRoom(const OpenReceipt& receipt) {
  if (receipt.entries.size() >= kMaxReceiptEntries) Refuse(perr::kNonPossibile);
}

void CheckReceiptBounds(const OpenReceipt& receipt) {
  const Amount fiscal = FiscalSubtotal(receipt);
  const Amount non_fiscal = NonFiscalSubtotal(receipt);
  if (fiscal < 0 || non_fiscal < 0) Refuse(perr::kSuperaValore);
  if (fiscal + non_fiscal > kMaxAmount) Refuse(perr::kSuperaLimite);
}

int CloseReceipt(Context& c, PayKind closing, Amount change) {
  const int number = NextNumber(c.s.receipt_number);
  const auto unit = c.s.currency;
  const OpenReceipt& r = c.s.receipt;
  const auto k = DocumentKind::Receipt;
  if (change != 0) c.Print(k, Row("RESTO", Money(change, unit)));
  for (const auto& line : c.s.footer) {
    if (!Trimmed(line).empty()) c.Print(k, Centered(Trimmed(line)));
  }
  PrintClosingLines(c, k, "SF.", number);
  const FinancialTotals t = ReceiptFinancials(r, closing, change);
  AddToReports(c.s.daily, r, t, c.now.hour);
  AddToReports(c.s.periodic, r, t, c.now.hour);
  RecordInDay(c, t, number);
  ShowOnDisplay(c, "TOTALE", Total(r), "RESTO", change);
  c.Finish(PaperKind::Receipt, number, Total(r), CountedLines(r));
  FinishReceipt(c);
  return number;
}

int VoidOpenReceipt(Context& c) {
  const int number = NextNumber(c.s.receipt_number);
  const Amount total = Total(c.s.receipt);
  const auto k = DocumentKind::Receipt;
  c.Print(k, Row("ANNULLO SCONTRINO", Money(-total, c.s.currency)));
  c.Print(k, Row(std::string("TOTALE ") + UnitName(c.s.currency), Money(0, c.s.currency)));
  c.Print(k, Centered("SCONTRINO ANNULLATO"));
  PrintClosingLines(c, k, "SF.", number);
  FinancialTotals t;
  t.voided_receipts = 1;
  t.voided_receipts_amount = total;
  AddToReports(c.s.daily, c.s.receipt, t, c.now.hour);
  AddToReports(c.s.periodic, c.s.receipt, t, c.now.hour);
  RecordInDay(c, t, number);
  c.Finish(PaperKind::Voided, number, total, CountedLines(c.s.receipt));
  FinishReceipt(c);
  return number;
}

void ShowOnDisplay(Context& c, std::string_view top_left, Amount top, std::string_view bottom_left,
                   Amount bottom) {
  auto half = [&](std::string_view left, Amount amount) {
    std::string row(cp1252::FirstChars(left, 10));
    const std::string money = Money(amount, c.s.currency);
    const std::size_t gap = row.size() + money.size() < 20 ? 20 - row.size() - money.size() : 1;
    row += std::string(gap, ' ') + money;
    row.resize(20, ' ');
    return row;
  };
  auto& display = c.s.displays[0];
  display.text = half(top_left, top) + half(bottom_left, bottom);
  display.cursor = 0;
}

}  // namespace tavirel::sim
