// The register as it leaves the factory, and the empty totals.
#include <cstdio>

#include "tavirel/sim/register_state.hpp"

namespace tavirel::sim {
namespace {

std::string Padded(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

std::string Numbered(const char* label, int n) {
  char text[32];
  std::snprintf(text, sizeof text, "%s %02d", label, n);
  return text;
}

}  // namespace

Tables Tables::Defaults() {
  Tables t;
  t.vat_rates.assign(kVatRates + 1, VatRate{});
  const int rates[] = {2200, 1000, 500, 400};
  for (int n = 1; n <= 4; ++n)
    t.vat_rates[static_cast<std::size_t>(n)] = VatRate{true, rates[n - 1]};
  t.departments.assign(kDepartments + 1, Department{});
  for (int n = 1; n <= 4; ++n) {
    Department& d = t.departments[static_cast<std::size_t>(n)];
    d.programmed = true;
    d.description = Padded(Numbered("REPARTO", n), 20);
    d.vat = n;
  }
  t.card_types.assign(kCardTypes + 1, NamedEntry{});
  const char* cards[] = {"VISA", "MASTERCARD", "BANCOMAT"};
  for (int n = 1; n <= 3; ++n)
    t.card_types[static_cast<std::size_t>(n)] = NamedEntry{true, Padded(cards[n - 1], 20)};
  t.ticket_types.assign(kTicketTypes + 1, TicketType{});
  t.ticket_types[1] = TicketType{true, Padded("BUONO PASTO", 20), 0};
  t.operators.assign(kOperators + 1, Operator{});
  for (int n = 1; n <= kOperators; ++n) {
    t.operators[static_cast<std::size_t>(n)] =
        Operator{true, Padded(Numbered("OPERATORE", n), 20), 0, 0};
  }
  t.flags.assign(kFlags + 1, 0);
  t.conf.assign(kConfValues + 1, 0);
  t.header.assign(kHeaderLines + 1, HeaderLine{std::string(27, ' ')});
  const char* header[] = {"TAVIREL REGISTRATORE", "VIA ROMA 1", "00100 ROMA", "P.IVA 01234567890"};
  for (int n = 1; n <= 4; ++n)
    t.header[static_cast<std::size_t>(n)].text = Padded(header[n - 1], 27);
  return t;
}

Amount FinancialTotals::Net() const {
  return sales - returns - line_voids - discounts + surcharges + non_fiscal;
}

ReportTotals ReportTotals::Empty() {
  ReportTotals t;
  t.by_department.assign(kDepartments + 1, CountAmount{});
  t.by_operator.assign(kOperators + 1, CountAmount{});
  t.by_hour.assign(24, CountAmount{});
  return t;
}

FiscalDay FiscalDay::Empty() {
  FiscalDay d;
  d.by_vat.assign(kVatRates + 1, 0);
  return d;
}

bool FiscalDay::HasActivity() const { return totals.receipts > 0 || totals.voided_receipts > 0; }

}  // namespace tavirel::sim
