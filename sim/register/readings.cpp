// Readings of the clock, the tables and the fiscal serial number. Each table
// reply repeats the programming command's fields at their widths.
#include "handlers.hpp"
#include "printing.hpp"
#include "refusal.hpp"
#include "reply_writer.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

std::size_t At(int n) { return static_cast<std::size_t>(n); }

std::string Department(const Tables& t, int n) {
  const auto& d = t.departments[At(n)];
  return ReplyWriter(4202)
      .Digits(n, 2)
      .Text(ToLine(d.description), 20)
      .Digits(d.prices[0], 9)
      .Digits(d.prices[1], 9)
      .Digits(d.prices[2], 9)
      .Digits(d.item, 1)
      .Digits(d.vat, 2)
      .Digits(d.limit, 9)
      .Digits(d.print_group, 2)
      .Digits(d.super_group, 2)
      .Text(ToLine(d.unit), 2)
      .Payload();
}

std::string Entry(const RegisterState& s, int code, int n) {
  const Tables& t = s.tables;
  switch (code) {
    case 4202: CheckEntry(n, kDepartments); return Department(t, n);
    case 4205:
      CheckEntry(n, kVatRates);
      return ReplyWriter(code).Digits(n, 2).Digits(t.vat_rates[At(n)].hundredths, 4).Payload();
    case 4207:
      CheckEntry(n, kCardTypes);
      return ReplyWriter(code)
          .Digits(n, 2)
          .Text(ToLine(t.card_types[At(n)].description), 20)
          .Payload();
    case 4210: {
      CheckEntry(n, kTicketTypes);
      const auto& ticket = t.ticket_types[At(n)];
      return ReplyWriter(code)
          .Digits(n, 2)
          .Text(ToLine(ticket.description), 20)
          .Digits(ticket.value, 9)
          .Payload();
    }
    case 4213: {
      CheckEntry(n, kOperators);
      const auto& o = t.operators[At(n)];
      return ReplyWriter(code)
          .Digits(n, 2)
          .Text(ToLine(o.name), 20)
          .Digits(o.secret, 4)
          .Digits(o.percent, 4)
          .Payload();
    }
    case 4214:
      CheckEntry(n, kFlags);
      return ReplyWriter(code).Digits(n, 2).Digits(t.flags[At(n)], 1).Payload();
    case 4215:
      CheckEntry(n, kConfValues);
      return ReplyWriter(code).Digits(n, 2).Digits(t.conf[At(n)], 3).Payload();
    case 4216:
      CheckEntry(n, kHeaderLines);
      return ReplyWriter(code).Digits(n, 1).Digits(s.line_types[At(n)], 1).Payload();
    default: Refuse(perr::kNonPrevisto);
  }
}

}  // namespace

std::string ReadDateTime(Context& c, const Command& cmd) {
  return ReplyWriter(cmd.Code()).Date(c.now).Payload();
}

std::string ReadTable(Context& c, const Command& cmd) {
  return Entry(c.s, cmd.Code(), cmd.Int("Numero"));
}

std::string ReadSerial(Context& c, const Command& cmd) {
  return ReplyWriter(cmd.Code()).Raw(cmd.Raw("CodOpr")).Digits(c.s.serial, 6).Payload();
}

}  // namespace tavirel::sim
