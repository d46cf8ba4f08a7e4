// The daily fiscal closure, which writes the day into the fiscal memory and
// starts a new day, and the fiscal memory report.
#include <cstdio>

#include "handlers.hpp"
#include "printing.hpp"
#include "receipt_math.hpp"
#include "refusal.hpp"
#include "reply_writer.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

FiscalRecord RecordOfDay(const Context& c, int number) {
  const RegisterState& s = c.s;
  FiscalRecord r;
  r.number = number;
  r.at = c.now;
  r.currency = s.currency;
  for (int n = 1; n <= kVatRates; ++n) {
    const Amount gross = s.day.by_vat[static_cast<std::size_t>(n)];
    const VatRate& rate = s.tables.vat_rates[static_cast<std::size_t>(n)];
    if (gross == 0 && !rate.programmed) continue;
    r.vat.push_back(VatLine{n, rate.hundredths, gross, TaxIncluded(gross, rate.hundredths)});
    AddToTotal(r.total, gross);
  }
  r.non_fiscal = s.day.totals.non_fiscal;
  r.returns = s.day.totals.returns;
  r.voided = s.day.totals.voided_receipts_amount;
  r.receipts = s.day.totals.receipts;
  r.voided_receipts = s.day.totals.voided_receipts;
  r.first_receipt = s.day.first_receipt;
  r.last_receipt = s.day.last_receipt;
  r.payments = s.day.totals.payments;
  r.grand_total = s.grand_total;
  AddToTotal(r.grand_total, r.total);
  return r;
}

std::string Title(const char* title, int number) {
  char text[48];
  std::snprintf(text, sizeof text, "%s N. %04d", title, number);
  return text;
}

void PrintRecord(Context& c, DocumentKind k, const FiscalRecord& r) {
  const auto u = r.currency;
  c.Print(k, Row(Title("CHIUSURA", r.number), r.at.Printed()));
  for (const auto& v : r.vat) {
    c.Print(k, Row("IVA " + Percent(v.hundredths), Money(v.gross, u)));
    c.Print(k, Row("  IMPOSTA", Money(v.tax, u)));
  }
  c.Print(k, Row(std::string("TOTALE GIORNO ") + UnitName(u), Money(r.total, u)));
  c.Print(k, Row("NON FISCALE", Money(r.non_fiscal, u)));
  c.Print(k, Row("RESI", Money(r.returns, u)));
  c.Print(k, Row("ANNULLI (" + std::to_string(r.voided_receipts) + ")", Money(r.voided, u)));
  c.Print(k, Row("SCONTRINI", std::to_string(r.receipts)));
  static constexpr const char* kPay[] = {"CONTANTI", "ASSEGNI", "CARTE DI CREDITO", "TICKET"};
  for (std::size_t i = 0; i < r.payments.size(); ++i)
    c.Print(k, Row(kPay[i], Money(r.payments[i], u)));
  c.Print(k, Row("GRAN TOTALE", Money(r.grand_total, u)));
}

}  // namespace

std::string FiscalClosure(Context& c, const Command& cmd) {
  auto& s = c.s;
  if (static_cast<int>(c.memory.size()) >= kFiscalMemoryCapacity) Refuse(perr::kNonPossibile);
  if (c.now < s.last_closure_at) Refuse(perr::kDataInferiore);
  if (s.closure_number >= 9999) Refuse(perr::kNonPossibile);
  const int number = s.closure_number + 1;
  const FiscalRecord record = RecordOfDay(c, number);
  const auto k = DocumentKind::Closure;
  PrintHeader(c, k);
  c.Print(k, Centered("CHIUSURA FISCALE GIORNALIERA"));
  PrintRecord(c, k, record);
  PrintClosingLines(c, k, "Z.", number);
  c.Finish(PaperKind::FiscalClosure, number, record.total, c.PrintedCount());
  c.new_records.push_back(record);
  s.closure_number = number;
  s.grand_total = record.grand_total;
  s.last_closure_at = c.now;
  s.day_opened_at.reset();
  s.day = FiscalDay::Empty();
  s.daily = ReportTotals::Empty();
  s.receipt_number = 0;
  s.non_fiscal_number = 0;
  return ReplyWriter(cmd.Code()).Raw(cmd.Raw("CodOpr")).Date(c.now).Digits(number, 4).Payload();
}

std::string FiscalMemoryReport(Context& c, const Command& cmd) {
  const auto k = DocumentKind::FiscalMemoryReport;
  PrintHeader(c, k);
  c.Print(k, Centered("LETTURA MEMORIA FISCALE"));
  if (c.memory.empty()) c.Print(k, Centered("MEMORIA FISCALE VUOTA"));
  for (const auto& record : c.memory) PrintRecord(c, k, record);
  PrintClosingLines(c, k, "Z.", c.s.closure_number);
  c.Finish(PaperKind::Report, c.s.closure_number, 0, c.PrintedCount(), "fiscal-memory");
  return ReplyWriter(cmd.Code())
      .Raw(cmd.Raw("CodOpr"))
      .Date(c.now)
      .Digits(c.s.closure_number, 4)
      .Payload();
}

}  // namespace tavirel::sim
