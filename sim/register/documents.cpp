// Non-fiscal documents, the footer lines of the receipt, the customer
// display, the drawer, the keyboard, the reprint, the restart after paper end
// and the switch to euro.
#include "handlers.hpp"
#include "printing.hpp"
#include "receipt_math.hpp"
#include "refusal.hpp"
#include "reply_writer.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

constexpr int kFonts = 4;  // 1 normal, 2 double height, 3 double width, 4 both

std::string Ack(const Command& cmd) {
  return ReplyWriter(cmd.Code()).Raw(cmd.Raw("CodOpr")).Payload();
}

std::string DocumentReply(Context& c, const Command& cmd, int number) {
  return ReplyWriter(cmd.Code()).Raw(cmd.Raw("CodOpr")).Date(c.now).Digits(number, 4).Payload();
}

void ConvertToEuro(Tables& t) {
  for (auto& d : t.departments) {
    for (auto& p : d.prices) p = LireToEuroCents(p);
    d.limit = LireToEuroCents(d.limit);
  }
  for (auto& ticket : t.ticket_types) ticket.value = LireToEuroCents(ticket.value);
}

}  // namespace

std::string Reprint(Context& c, const Command& cmd) {
  if (c.s.last_receipt.empty()) Refuse(perr::kDatiInesistenti);
  const int number = NextNumber(c.s.non_fiscal_number);
  const auto k = DocumentKind::Reprint;
  c.Print(k, Centered("*** RISTAMPA SCONTRINO ***"), true);
  for (const auto& line : c.s.last_receipt) c.Print(k, line);
  c.Print(k, Centered("*** COPIA NON FISCALE ***"));
  PrintClosingLines(c, k, "SNF.", number);
  c.Finish(PaperKind::NonFiscal, number, 0, c.PrintedCount());
  return DocumentReply(c, cmd, number);
}

std::string OpenDrawer(Context& c, const Command& cmd) {
  return DocumentReply(c, cmd, c.s.non_fiscal_number);
}

std::string Keyboard(Context& c, const Command& cmd) {
  c.s.keyboard_locked = cmd.Code() == 1055;
  return Ack(cmd);
}

std::string DisplayMessage(Context& c, const Command& cmd) {
  const int display = cmd.Int("NumVisore");
  if (display >= kDisplays) Refuse(perr::kValoreErrato);
  if (cmd.Raw("Cursore").size() > 2 || cmd.Int("Cursore") >= 40) Refuse(perr::kValoreErrato);
  auto& d = c.s.displays[static_cast<std::size_t>(display)];
  d.text = FromLine(cmd.Raw("Descr"));
  d.cursor = cmd.Int("Cursore");
  return Ack(cmd);
}

std::string BeginNonFiscal(Context& c, const Command& cmd) {
  NextNumber(c.s.non_fiscal_number);
  c.s.phase = Phase::NonFiscal;
  c.s.non_fiscal_lines = 0;
  PrintHeader(c, DocumentKind::NonFiscal);
  return Ack(cmd);
}

std::string NonFiscalLine(Context& c, const Command& cmd) {
  const int font = cmd.Int("Font");
  if (font < 1 || font > kFonts) Refuse(perr::kValoreErrato);
  const std::string text = Trimmed(FromLine(cmd.Raw("DescRiga")));
  c.Print(DocumentKind::NonFiscal, InPrintType(text, font == 3 || font == 4 ? 1 : 0));
  ++c.s.non_fiscal_lines;
  return Ack(cmd);
}

std::string EndNonFiscal(Context& c, const Command& cmd) {
  c.Print(DocumentKind::NonFiscal, Centered("NON FISCALE"));
  PrintClosingLines(c, DocumentKind::NonFiscal, "SNF.", c.s.non_fiscal_number);
  c.Finish(PaperKind::NonFiscal, c.s.non_fiscal_number, 0, c.s.non_fiscal_lines);
  c.s.phase = Phase::Idle;
  c.s.non_fiscal_lines = 0;
  return Ack(cmd);
}

std::string FooterLine(Context& c, const Command& cmd) {
  const int line = cmd.Int("NRiga");
  CheckEntry(line, kFooterLines);
  c.s.footer[static_cast<std::size_t>(line)] = FromLine(cmd.Raw("DescRiga"));
  return Ack(cmd);
}

std::string RestartAfterPaperEnd(Context& c, const Command& cmd) {
  if (c.s.paper_out) Refuse(perr::kCartaScontrino);
  c.s.printing_suspended = false;
  return Ack(cmd);
}

std::string SwitchToEuro(Context& c, const Command& cmd) {
  if (c.s.currency == CurrencyUnit::Euro) Refuse(perr::kNonPossibile);
  if (c.s.day.HasActivity()) Refuse(perr::kImpossibileOra);
  ConvertToEuro(c.s.tables);
  c.s.currency = CurrencyUnit::Euro;
  return Ack(cmd);
}

}  // namespace tavirel::sim
