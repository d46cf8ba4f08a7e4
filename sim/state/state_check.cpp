#include "state_check.hpp"

#include <stdexcept>
#include <string>

#include "register/receipt_math.hpp"

namespace tavirel::sim {
namespace {

constexpr Amount kMaxTotal = kTotalModulus - 1;
constexpr int kMaxCount = kCountModulus - 1;
constexpr std::int64_t kMaxClockOffset = 200LL * 366 * 24 * 3600;
constexpr std::size_t kMaxText = 256;  // bytes of any text the register keeps
constexpr std::size_t kMaxReceiptLines = 4 * kMaxReceiptEntries + 64;

void Fail(const std::string& what) { throw std::invalid_argument(what); }

void InRange(long long value, long long low, long long high, const std::string& name) {
  if (value < low || value > high) {
    Fail(name + " is " + std::to_string(value) + ", outside " + std::to_string(low) + ".." +
         std::to_string(high));
  }
}

void Total(Amount value, const std::string& name) { InRange(value, -kMaxTotal, kMaxTotal, name); }
void Count(int value, const std::string& name) { InRange(value, 0, kMaxCount, name); }
void Price(Amount value, const std::string& name) { InRange(value, 0, kMaxAmount, name); }

void Text(const std::string& text, const std::string& name) {
  if (text.size() > kMaxText) Fail(name + " is " + std::to_string(text.size()) + " bytes long");
}

void Size(std::size_t size, std::size_t expected, const std::string& name) {
  if (size != expected) Fail(name + " has " + std::to_string(size) + " entries");
}

void Time(const CivilTime& t, const std::string& name) {
  if (t.year < 1970 || t.year > 2199 || !IsCalendarDate(t.year, t.month, t.day) || t.hour < 0 ||
      t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59) {
    Fail(name + " is not a date and time");
  }
}

void CheckTables(const Tables& t) {
  Size(t.departments.size(), kDepartments + 1, "the departments");
  Size(t.vat_rates.size(), kVatRates + 1, "the VAT rates");
  Size(t.card_types.size(), kCardTypes + 1, "the card types");
  Size(t.ticket_types.size(), kTicketTypes + 1, "the ticket types");
  Size(t.operators.size(), kOperators + 1, "the operators");
  Size(t.flags.size(), kFlags + 1, "the flags");
  Size(t.conf.size(), kConfValues + 1, "the configuration values");
  Size(t.header.size(), kHeaderLines + 1, "the header lines");
  for (const Department& d : t.departments) {
    Text(d.description, "a department's description");
    Text(d.unit, "a department's unit");
    for (Amount p : d.prices) Price(p, "a department's price");
    Price(d.limit, "a department's limit");
    InRange(d.item, 0, 1, "a department's item");
    InRange(d.vat, 0, kVatRates, "a department's VAT number");
    InRange(d.print_group, 0, 99, "a department's print group");
    InRange(d.super_group, 0, 99, "a department's super group");
  }
  for (const VatRate& v : t.vat_rates) InRange(v.hundredths, 0, 9999, "a VAT rate");
  for (const NamedEntry& c : t.card_types) Text(c.description, "a card type");
  for (const TicketType& k : t.ticket_types) {
    Text(k.description, "a ticket type");
    Price(k.value, "a ticket value");
  }
  for (const Operator& o : t.operators) {
    Text(o.name, "an operator's name");
    InRange(o.secret, 0, 9999, "an operator's secret code");
    InRange(o.percent, 0, 9999, "an operator's percentage");
  }
  for (int f : t.flags) InRange(f, 0, 9, "a flag");
  for (int c : t.conf) InRange(c, 0, 999, "a configuration value");
  for (const HeaderLine& h : t.header) Text(h.text, "a header line");
}

void CheckFinancial(const FinancialTotals& f, const std::string& of) {
  for (Amount a : {f.sales, f.returns, f.line_voids, f.discounts, f.surcharges, f.non_fiscal,
                   f.voided_receipts_amount, f.change}) {
    Total(a, "an amount of the " + of + " totals");
  }
  for (Amount a : f.payments) Total(a, "a payment total of the " + of + " totals");
  Count(f.receipts, "the receipts of the " + of + " totals");
  Count(f.voided_receipts, "the voided receipts of the " + of + " totals");
}

void CheckCounts(const std::vector<CountAmount>& list, std::size_t size, const std::string& name) {
  Size(list.size(), size, name);
  for (const CountAmount& c : list) {
    Count(c.count, "a count of " + name);
    Total(c.amount, "an amount of " + name);
    Total(c.quantity, "a quantity of " + name);
  }
}

void CheckReport(const ReportTotals& t, const std::string& of) {
  CheckFinancial(t.financial, of);
  CheckCounts(t.by_department, kDepartments + 1, "the " + of + " departments");
  CheckCounts(t.by_operator, kOperators + 1, "the " + of + " operators");
  CheckCounts(t.by_hour, 24, "the " + of + " hours");
}

void CheckEntry(const ReceiptEntry& e) {
  InRange(e.department, 0, kDepartments, "a receipt line's department");
  Text(e.description, "a receipt line's description");
  Text(e.product_code, "a receipt line's product code");
  InRange(e.quantity, 0, 9'999'999, "a receipt line's quantity");
  Price(e.unit_price, "a receipt line's price");
  InRange(e.amount, -kMaxAmount, kMaxAmount, "a receipt line's amount");
  InRange(e.percent, 0, 9999, "a receipt line's percentage");
  if (!e.by_vat.empty()) Size(e.by_vat.size(), kVatRates + 1, "a receipt line's VAT amounts");
  for (Amount a : e.by_vat) InRange(a, -kMaxAmount, kMaxAmount, "a receipt line's VAT amount");
}

void CheckReceipt(const RegisterState& s) {
  const OpenReceipt& r = s.receipt;
  InRange(static_cast<long long>(r.entries.size()), 0, kMaxReceiptEntries, "the receipt's lines");
  InRange(static_cast<long long>(r.lines.size()), 0, kMaxReceiptLines, "the receipt's text");
  for (const ReceiptEntry& e : r.entries) CheckEntry(e);
  for (const std::string& line : r.lines) Text(line, "a printed line of the receipt");
  for (Amount p : r.paid) Price(p, "a payment of the receipt");
  InRange(r.operator_code, 0, kOperators, "the receipt's operator");
  const bool open = s.phase == Phase::Sale || s.phase == Phase::Payment;
  if (!open && !(r == OpenReceipt{})) Fail("a receipt is kept with no receipt open");
}

void CheckRecord(const FiscalRecord& r) {
  InRange(r.number, 1, kMaxDocumentNumber, "a fiscal record's number");
  Time(r.at, "a fiscal record's date");
  if (r.vat.size() > static_cast<std::size_t>(kVatRates))
    Fail("a fiscal record has too many rates");
  for (const VatLine& v : r.vat) {
    InRange(v.number, 1, kVatRates, "a fiscal record's VAT number");
    InRange(v.hundredths, 0, 9999, "a fiscal record's VAT rate");
    Total(v.gross, "a fiscal record's VAT amount");
    Total(v.tax, "a fiscal record's tax");
  }
  for (Amount a : {r.total, r.non_fiscal, r.returns, r.voided, r.grand_total})
    Total(a, "an amount of a fiscal record");
  for (Amount a : r.payments) Total(a, "a payment total of a fiscal record");
  for (int c : {r.receipts, r.voided_receipts}) Count(c, "a count of a fiscal record");
  for (int n : {r.first_receipt, r.last_receipt})
    InRange(n, 0, kMaxDocumentNumber, "a fiscal record's receipt number");
}

void CheckHead(const RegisterState& s) {
  InRange(s.serial, 0, 999'999, "the serial number");
  InRange(s.clock_offset, -kMaxClockOffset, kMaxClockOffset, "the clock's offset");
  for (int n : {s.receipt_number, s.non_fiscal_number, s.closure_number})
    InRange(n, 0, kMaxDocumentNumber, "a document number");
  InRange(s.grand_total, 0, kMaxTotal, "the grand total");
  Time(s.last_closure_at, "the last closure's date");
  if (s.day_opened_at) Time(*s.day_opened_at, "the day's opening date");
  InRange(s.non_fiscal_lines, 0, kMaxCount, "the non-fiscal document's lines");
  Size(s.line_types.size(), kHeaderLines + 1, "the header line types");
  for (int t : s.line_types) InRange(t, 0, 3, "a header line type");
  Size(s.footer.size(), kFooterLines + 1, "the footer lines");
  for (const std::string& f : s.footer) Text(f, "a footer line");
  Size(s.displays.size(), kDisplays, "the displays");
  for (const DisplayState& d : s.displays) {
    Text(d.text, "a display's text");
    InRange(d.cursor, 0, 39, "a display's cursor");
  }
  for (const std::string& line : s.last_receipt) Text(line, "a line of the last receipt");
  InRange(static_cast<long long>(s.last_receipt.size()), 0, kMaxReceiptLines,
          "the last receipt's lines");
  if (s.documents > 0 && s.last_document.seq != s.documents)
    Fail("the last document is not the last one counted");
}

}  // namespace

void CheckRanges(const RegisterState& s, const std::vector<FiscalRecord>& memory) {
  CheckHead(s);
  CheckTables(s.tables);
  CheckReceipt(s);
  CheckReport(s.daily, "daily");
  CheckReport(s.periodic, "periodic");
  CheckFinancial(s.day.totals, "fiscal day's");
  Size(s.day.by_vat.size(), kVatRates + 1, "the fiscal day's VAT amounts");
  for (Amount a : s.day.by_vat) Total(a, "a fiscal day's VAT amount");
  for (int n : {s.day.first_receipt, s.day.last_receipt})
    InRange(n, 0, kMaxDocumentNumber, "a fiscal day's receipt number");
  InRange(static_cast<long long>(memory.size()), 0, kFiscalMemoryCapacity,
          "the fiscal memory's records");
  for (const FiscalRecord& r : memory) CheckRecord(r);
}

}  // namespace tavirel::sim
