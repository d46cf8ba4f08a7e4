// Preflight: the document's own rules, then every operation it makes against
// its fields, every problem named by the document field it comes from.
#include "tavirel/documents/preflight.hpp"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

#include "decimal.hpp"
#include "plan.hpp"
#include "tavirel/documents/keys.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::documents {
namespace {

// The document's name for each parameter of the operations it makes.
constexpr std::array<std::pair<std::string_view, std::string_view>, 17> kFieldOfParam{{
    {"CodOpr", "operator"},
    {"DescProd", "description"},
    {"Prezzo", "price"},
    {"Rep", "department"},
    {"Qta", "quantity"},
    {"QtaDec", "quantity"},
    {"TipoPrezzo", "price_type"},
    {"CodProd", "code"},
    {"Descr", "text"},
    {"Importo", "amount"},
    {"ImportoAssegno", "amount"},
    {"Perc", "percent"},
    {"NCartaCC", "card"},
    {"NTipoTicket", "ticket"},
    {"ValoreTicket", "amount"},
    {"Font", "font"},
    {"DescRiga", "text"},
}};

std::string FieldWhere(const PlannedStep& step, std::string_view param) {
  if (param == "CodOpr") return "operator";
  if (param == "NumeroReparto" || param == "NumeroOperatore") return "number";
  for (const auto& [p, field] : kFieldOfParam) {
    if (p == param)
      return step.where.empty() ? std::string(field) : step.where + "." + std::string(field);
  }
  return step.where.empty() ? std::string(param) : step.where;
}

void Add(std::vector<Problem>& problems, Problem p) {
  if (std::find(problems.begin(), problems.end(), p) == problems.end())
    problems.push_back(std::move(p));
}

void CheckLines(const Document& d, std::vector<Problem>& problems) {
  if (d.lines.empty()) problems.push_back({"lines", "a receipt needs at least one line"});
  if (!d.lines.empty() && d.lines.front().type != LineType::Sale) {
    problems.push_back({"lines[0]", "a receipt opens with a sale"});
  }
  for (std::size_t i = 0; i < d.lines.size(); ++i) {
    const ReceiptLine& line = d.lines[i];
    const std::string at = "lines[" + std::to_string(i) + "]";
    if (line.type == LineType::Text) continue;
    if (line.department < 1) problems.push_back({at + ".department", "departments count from 1"});
    if (line.quantity) {
      const auto q = ReadDecimal(*line.quantity);
      if (q && (q->negative || IsZero(*q))) {
        problems.push_back({at + ".quantity", "must be more than zero"});
      }
    }
  }
}

void CheckAdjustments(const Document& d, std::vector<Problem>& problems) {
  for (std::size_t i = 0; i < d.adjustments.size(); ++i) {
    const Adjustment& a = d.adjustments[i];
    const std::string& text = a.type == AdjustmentType::Discount ? a.amount : a.percent;
    const auto value = ReadDecimal(text);
    if (value && IsZero(*value)) {
      problems.push_back({"adjustments[" + std::to_string(i) + "]." +
                              (a.type == AdjustmentType::Discount ? "amount" : "percent"),
                          "must be more than zero"});
    }
  }
}

// Texts go onto the register's paper as they are: a control character
// (ESC, CR, NUL, ...) would reach the printer as a command of its own.
void CheckText(const std::string& text, const std::string& where, std::vector<Problem>& problems) {
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      problems.push_back({where, std::string("holds a control character (0x") + kHex[u >> 4] +
                                     kHex[u & 0xF] + "); texts take printable characters only"});
      return;
    }
  }
}

void CheckTexts(const Document& d, std::vector<Problem>& problems) {
  for (std::size_t i = 0; i < d.lines.size(); ++i) {
    const ReceiptLine& line = d.lines[i];
    const std::string at = "lines[" + std::to_string(i) + "]";
    if (line.type == LineType::Text) {
      CheckText(line.text, at + ".text", problems);
      continue;
    }
    CheckText(line.description, at + ".description", problems);
    if (line.code) CheckText(*line.code, at + ".code", problems);
  }
  for (std::size_t i = 0; i < d.text_lines.size(); ++i) {
    CheckText(d.text_lines[i].text, "lines[" + std::to_string(i) + "].text", problems);
  }
}

// The receipt's total as the register keeps it, line by line: it never goes
// below zero, and a void takes back only what was sold at that department
// and price. The register refuses such a line, but only once the receipt is
// open, so the receipt would be voided on paper for nothing. Checked while
// every price is known.
void CheckRunningTotal(const std::vector<PlannedStep>& steps, std::int32_t mode,
                       std::vector<Problem>& problems) {
  std::int64_t total = 0;
  std::map<std::pair<std::int64_t, std::int64_t>, std::int64_t> sold;  // (department, price): qty
  for (const PlannedStep& s : steps) {
    if (s.kind == StepKind::Line) {
      if (s.price == 0) return;
      const bool void_line = s.member.starts_with("opRepartoStorno");
      auto& quantity = sold[{s.department, s.price}];
      if (void_line && quantity < s.quantity) {
        problems.push_back({s.where, "voids a line that was not sold before it (department " +
                                         std::to_string(s.department) + " at " +
                                         MoneyText(s.price, mode) + ")"});
        return;
      }
      quantity += void_line ? -s.quantity : s.effect.direction > 0 ? s.quantity : 0;
      total += s.effect.direction * LineAmount(s.quantity, s.price);
    } else if (s.kind == StepKind::Adjustment) {
      total += s.effect.exact ? *s.effect.exact
                              : s.effect.direction * ((total * s.percent + 5000) / 10000);
    } else {
      continue;
    }
    if (total < 0) {
      problems.push_back(
          {s.where, "takes the receipt's total below zero (to " + MoneyText(total, mode) + ")"});
      return;
    }
  }
}

// What the receipt comes to, when every price is known (register units).
std::optional<std::int64_t> ExpectedTotal(const std::vector<PlannedStep>& steps) {
  std::int64_t total = 0;
  for (const PlannedStep& s : steps) {
    if (s.kind == StepKind::Line) {
      if (s.price == 0) return std::nullopt;
      total += s.effect.direction * LineAmount(s.quantity, s.price);
    } else if (s.kind == StepKind::Adjustment) {
      total += s.effect.exact ? *s.effect.exact
                              : s.effect.direction * ((total * s.percent + 5000) / 10000);
    }
  }
  return total;
}

void CheckPayments(const Document& d, const std::vector<PlannedStep>& steps, std::int32_t mode,
                   std::vector<Problem>& problems) {
  if (d.payments.empty()) {
    problems.push_back({"payments", "a receipt needs at least one payment"});
    return;
  }
  std::vector<const PlannedStep*> payments;
  for (const PlannedStep& s : steps) {
    if (s.kind == StepKind::Payment) payments.push_back(&s);
  }
  for (std::size_t i = 0; i + 1 < payments.size(); ++i) {
    if (!payments[i]->amount) {
      problems.push_back(
          {payments[i]->where, "pays the rest, so the payments after it would be refused"});
    }
  }
  for (std::size_t i = 0; i < d.payments.size(); ++i) {
    if (d.payments[i].type == PaymentType::Ticket && payments[i]->amount == 0) {
      problems.push_back({payments[i]->where + ".amount", "must be more than zero"});
      return;
    }
  }
  const auto total = ExpectedTotal(steps);
  if (!total) return;
  std::int64_t paid = 0;
  for (std::size_t i = 0; i < payments.size(); ++i) {
    if (!payments[i]->amount) return;
    paid += *payments[i]->amount;
    if (i + 1 < payments.size() && paid >= *total) {
      problems.push_back({payments[i]->where, "already pays the total " + MoneyText(*total, mode) +
                                                  ", so the payments after it would be refused"});
      return;
    }
  }
  if (paid < *total) {
    problems.push_back({"payments", "come to " + MoneyText(paid, mode) + ", less than the total " +
                                        MoneyText(*total, mode) +
                                        " (leave the last cash amount out to pay the rest)"});
  }
}

}  // namespace

std::vector<Problem> Preflight(const Document& document, std::int32_t euro_settings,
                               const ArgumentCheck& check) {
  std::vector<Problem> problems;
  if (euro_settings != TVL_EUROSETTINGS_LIRE && euro_settings != TVL_EUROSETTINGS_EURO) {
    return {{"", "the currency mode must be lire or euro, not " + std::to_string(euro_settings)}};
  }
  problems = KeyProblems(document.key, KeyUse::Journal);
  switch (document.type) {
    case DocumentType::Receipt:
      CheckLines(document, problems);
      CheckAdjustments(document, problems);
      CheckTexts(document, problems);
      break;
    case DocumentType::NonFiscal:
      if (document.text_lines.empty())
        problems.push_back({"lines", "a document needs at least one line"});
      CheckTexts(document, problems);
      break;
    case DocumentType::Report: break;
  }
  const std::vector<PlannedStep> steps = Plan(document, euro_settings, problems);
  const ArgumentCheck& fields = check ? check : DefaultArgumentCheck();
  for (const PlannedStep& step : steps) {
    for (const Problem& p : fields(step.member, step.args, euro_settings)) {
      Add(problems, {FieldWhere(step, p.where), p.message});
    }
  }
  if (document.type == DocumentType::Receipt && problems.empty()) {
    CheckRunningTotal(steps, euro_settings, problems);
  }
  if (document.type == DocumentType::Receipt && problems.empty()) {
    CheckPayments(document, steps, euro_settings, problems);
  }
  return problems;
}

}  // namespace tavirel::documents
