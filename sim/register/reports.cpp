// The X reports (reading) and Z reports (reading and reset) of the daily and
// periodic totals.
#include <array>

#include "handlers.hpp"
#include "printing.hpp"
#include "refusal.hpp"
#include "reply_writer.hpp"
#include "report_text.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

enum class Section { Financial, Departments, Hours, Operators };

struct ReportDef {
  int code;
  bool periodic;
  Section section;
  const char* title;
  const char* name;  // on the paper record
};

constexpr std::array kReports = {
    ReportDef{2001, false, Section::Financial, "FINANZIARIO GIORNALIERO", "x-financial-daily"},
    ReportDef{2003, false, Section::Departments, "REPARTI GIORNALIERO", "x-departments-daily"},
    ReportDef{2005, false, Section::Hours, "FASCE ORARIE GIORNALIERO", "x-hours-daily"},
    ReportDef{2006, false, Section::Operators, "OPERATORI GIORNALIERO", "x-operators-daily"},
    ReportDef{2007, true, Section::Financial, "FINANZIARIO PERIODICO", "x-financial-periodic"},
    ReportDef{2009, true, Section::Departments, "REPARTI PERIODICO", "x-departments-periodic"},
    ReportDef{2011, true, Section::Hours, "FASCE ORARIE PERIODICO", "x-hours-periodic"},
    ReportDef{2012, true, Section::Operators, "OPERATORI PERIODICO", "x-operators-periodic"},
    ReportDef{3002, false, Section::Financial, "FINANZIARIO GIORNALIERO", "z-financial-daily"},
    ReportDef{3005, false, Section::Hours, "FASCE ORARIE GIORNALIERO", "z-hours-daily"},
    ReportDef{3006, false, Section::Operators, "OPERATORI GIORNALIERO", "z-operators-daily"},
    ReportDef{3007, true, Section::Financial, "FINANZIARIO PERIODICO", "z-financial-periodic"},
    ReportDef{3010, true, Section::Hours, "FASCE ORARIE PERIODICO", "z-hours-periodic"},
    ReportDef{3011, true, Section::Operators, "OPERATORI PERIODICO", "z-operators-periodic"},
};

const ReportDef& Find(int code) {
  for (const auto& def : kReports) {
    if (def.code == code) return def;
  }
  Refuse(perr::kNonPrevisto);
}

int SelectedNumber(const Command& cmd, Section section) {
  if (!cmd.Has("Numero")) return 0;
  const int n = cmd.Int("Numero");
  const int size = section == Section::Departments ? kDepartments : kOperators;
  if (n > size) Refuse(perr::kValoreErrato);  // 0 selects all
  return n;
}

void PrintSection(Context& c, const ReportDef& def, const ReportTotals& t, int number) {
  const auto k = DocumentKind::Report;
  switch (def.section) {
    case Section::Financial:
      PrintFinancial(c, k, t.financial);
      PrintDepartments(c, k, t, 0);
      break;
    case Section::Departments: PrintDepartments(c, k, t, number); break;
    case Section::Hours: PrintHours(c, k, t); break;
    case Section::Operators: PrintOperators(c, k, t, number); break;
  }
}

void Reset(ReportTotals& t, Section section, int number) {
  const ReportTotals empty = ReportTotals::Empty();
  switch (section) {
    case Section::Financial:
      t.financial = empty.financial;
      t.by_department = empty.by_department;
      break;
    case Section::Departments: break;
    case Section::Hours: t.by_hour = empty.by_hour; break;
    case Section::Operators:
      if (number == 0) {
        t.by_operator = empty.by_operator;
      } else {
        t.by_operator[static_cast<std::size_t>(number)] = CountAmount{};
      }
      break;
  }
}

int PrintReport(Context& c, const ReportDef& def, bool z, int number) {
  const int doc = NextNumber(c.s.non_fiscal_number);
  const auto k = DocumentKind::Report;
  PrintHeader(c, k);
  c.Print(k, Centered(std::string(z ? "AZZERAMENTO " : "LETTURA ") + def.title));
  PrintSection(c, def, def.periodic ? c.s.periodic : c.s.daily, number);
  c.Print(k, Centered("NON FISCALE"));
  PrintClosingLines(c, k, "SNF.", doc);
  c.Finish(PaperKind::Report, doc, 0, c.PrintedCount(), def.name);
  return doc;
}

}  // namespace

std::string XReport(Context& c, const Command& cmd) {
  const ReportDef& def = Find(cmd.Code());
  const int doc = PrintReport(c, def, false, SelectedNumber(cmd, def.section));
  return ReplyWriter(cmd.Code()).Raw(cmd.Raw("CodOpr")).Date(c.now).Digits(doc, 4).Payload();
}

std::string ZReport(Context& c, const Command& cmd) {
  const ReportDef& def = Find(cmd.Code());
  const int number = SelectedNumber(cmd, def.section);
  const int doc = PrintReport(c, def, true, number);
  Reset(def.periodic ? c.s.periodic : c.s.daily, def.section, number);
  ReplyWriter reply(cmd.Code());
  reply.Raw(cmd.Raw("CodOpr")).Date(c.now).Digits(doc, 4);
  if (cmd.Code() == 3002) reply.Digits(c.s.receipt_number, 4);
  return reply.Payload();
}

}  // namespace tavirel::sim
