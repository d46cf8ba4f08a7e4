// Programming the clock and the tables.
#include "handlers.hpp"
#include "printing.hpp"
#include "refusal.hpp"
#include "reply_writer.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

std::string Ack(int code, int entry) { return ReplyWriter(code).Digits(entry, 2).Payload(); }

std::size_t At(int n) { return static_cast<std::size_t>(n); }

}  // namespace

std::string ProgramDateTime(Context& c, const Command& cmd) {
  CivilTime t;
  t.year = 2000 + cmd.Int("Anno");
  t.month = cmd.Int("Mese");
  t.day = cmd.Int("Giorno");
  t.hour = cmd.Int("Ore");
  t.minute = cmd.Int("Minuti");
  if (!IsCalendarDate(t.year, t.month, t.day) || t.hour > 23 || t.minute > 59)
    Refuse(perr::kDataErrata);
  if (t < c.s.last_closure_at) Refuse(perr::kDataInferiore);
  c.s.clock_offset = t.ToSeconds() - c.wall_seconds;
  return Ack(cmd.Code(), 0);
}

std::string ProgramDepartment(Context& c, const Command& cmd) {
  const int n = cmd.Int("NReparto");
  CheckEntry(n, kDepartments);
  Department d;
  d.programmed = true;
  d.description = FromLine(cmd.Raw("DescReparto"));
  d.prices = {cmd.Number("Prezzo1"), cmd.Number("Prezzo2"), cmd.Number("Prezzo3")};
  d.item = cmd.Int("Item");
  d.vat = cmd.Int("NTassaRep");
  d.limit = cmd.Number("Limite");
  d.print_group = cmd.Int("GruppoStampa");
  d.super_group = cmd.Int("SuperGruppoMerceologico");
  d.unit = FromLine(cmd.Raw("UMFattura"));
  if (d.item > 1 || d.vat > kVatRates) Refuse(perr::kValoreErrato);
  if (d.item == 0 && (d.vat == 0 || !c.s.tables.vat_rates[At(d.vat)].programmed))
    Refuse(perr::kNonProgrammato);
  c.s.tables.departments[At(n)] = d;
  return Ack(cmd.Code(), n);
}

std::string ProgramVatRate(Context& c, const Command& cmd) {
  const int n = cmd.Int("NTassa");
  CheckEntry(n, kVatRates);
  // Rates change only on a closed day, so a day's totals have one rate each.
  if (c.s.day.HasActivity()) Refuse(perr::kImpossibileOra);
  c.s.tables.vat_rates[At(n)] = VatRate{true, cmd.Int("Aliquota")};
  return Ack(cmd.Code(), n);
}

std::string ProgramCard(Context& c, const Command& cmd) {
  const int n = cmd.Int("NCartaCC");
  CheckEntry(n, kCardTypes);
  c.s.tables.card_types[At(n)] = NamedEntry{true, FromLine(cmd.Raw("DescCartaCC"))};
  return Ack(cmd.Code(), n);
}

std::string ProgramTicket(Context& c, const Command& cmd) {
  const int n = cmd.Int("NTipoTicket");
  CheckEntry(n, kTicketTypes);
  c.s.tables.ticket_types[At(n)] =
      TicketType{true, FromLine(cmd.Raw("DescTicket")), cmd.Number("ValoreTicket")};
  return Ack(cmd.Code(), n);
}

std::string ProgramOperator(Context& c, const Command& cmd) {
  const int n = cmd.Int("NumeroOperatore");
  CheckEntry(n, kOperators);
  c.s.tables.operators[At(n)] =
      Operator{true, FromLine(cmd.Raw("DescOpr")), cmd.Int("CodOprSegr"), cmd.Int("PerOpr")};
  return Ack(cmd.Code(), n);
}

std::string ProgramFlag(Context& c, const Command& cmd) {
  const int n = cmd.Int("NumFlag");
  CheckEntry(n, kFlags);
  c.s.tables.flags[At(n)] = cmd.Int("Flag");
  return Ack(cmd.Code(), n);
}

std::string ProgramConf(Context& c, const Command& cmd) {
  const int n = cmd.Int("NumConf");
  CheckEntry(n, kConfValues);
  c.s.tables.conf[At(n)] = cmd.Int("Conf");
  return Ack(cmd.Code(), n);
}

std::string ProgramLineType(Context& c, const Command& cmd) {
  const int n = cmd.Int("NumRiga");
  CheckEntry(n, kHeaderLines);
  const int type = cmd.Int("TipoStampa");
  if (type > 3) Refuse(perr::kValoreErrato);
  c.s.line_types[At(n)] = type;
  return Ack(cmd.Code(), n);
}

std::string ProgramHeaderLine(Context& c, const Command& cmd) {
  const int n = cmd.Int("NRigaInt");
  CheckEntry(n, kHeaderLines);
  c.s.tables.header[At(n)].text = FromLine(cmd.Raw("DescInt"));
  return Ack(cmd.Code(), n);
}

}  // namespace tavirel::sim
