#include "report_text.hpp"

#include <cstdio>

#include "printing.hpp"

namespace tavirel::sim {
namespace {

std::string Numbered(const char* label, int n) {
  char text[40];
  std::snprintf(text, sizeof text, "%s %02d", label, n);
  return text;
}

void CountRow(Context& c, DocumentKind k, const std::string& label, const CountAmount& ca) {
  c.Print(k, Row(label + " (" + std::to_string(ca.count) + ")", Money(ca.amount, c.s.currency)));
}

}  // namespace

void PrintFinancial(Context& c, DocumentKind k, const FinancialTotals& t) {
  const auto u = c.s.currency;
  c.Print(k, Row("VENDITE", Money(t.sales, u)));
  c.Print(k, Row("RESI", Money(-t.returns, u)));
  c.Print(k, Row("STORNI", Money(-t.line_voids, u)));
  c.Print(k, Row("SCONTI", Money(-t.discounts, u)));
  c.Print(k, Row("MAGGIORAZIONI", Money(t.surcharges, u)));
  c.Print(k, Row("NON FISCALE", Money(t.non_fiscal, u)));
  c.Print(k, Row("TOTALE", Money(t.Net(), u)));
  c.Print(k, Row("SCONTRINI", std::to_string(t.receipts)));
  c.Print(k, Row("ANNULLATI (" + std::to_string(t.voided_receipts) + ")",
                 Money(t.voided_receipts_amount, u)));
  static constexpr const char* kPay[] = {"CONTANTI", "ASSEGNI", "CARTE DI CREDITO", "TICKET"};
  for (std::size_t i = 0; i < t.payments.size(); ++i)
    c.Print(k, Row(kPay[i], Money(t.payments[i], u)));
}

void PrintDepartments(Context& c, DocumentKind k, const ReportTotals& t, int number) {
  for (int n = 1; n <= kDepartments; ++n) {
    const auto& ca = t.by_department[static_cast<std::size_t>(n)];
    if (number == n || (number == 0 && ca.count > 0)) {
      const std::string name =
          Trimmed(c.s.tables.departments[static_cast<std::size_t>(n)].description);
      CountRow(c, k, Numbered("REP.", n) + (name.empty() ? "" : " " + name), ca);
    }
  }
}

void PrintHours(Context& c, DocumentKind k, const ReportTotals& t) {
  for (int h = 0; h < 24; ++h) {
    const auto& ca = t.by_hour[static_cast<std::size_t>(h)];
    if (ca.count == 0) continue;
    char label[24];
    std::snprintf(label, sizeof label, "ORE %02d-%02d", h, (h + 1) % 24);
    CountRow(c, k, label, ca);
  }
}

void PrintOperators(Context& c, DocumentKind k, const ReportTotals& t, int number) {
  for (int n = 0; n <= kOperators; ++n) {
    const auto& ca = t.by_operator[static_cast<std::size_t>(n)];
    if (number == n || (number == 0 && ca.count > 0)) CountRow(c, k, Numbered("OPERATORE", n), ca);
  }
}

}  // namespace tavirel::sim
