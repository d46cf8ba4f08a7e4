#include "plan.hpp"

#include <array>
#include <limits>

#include "decimal.hpp"
#include "tavirel/documents/reports.hpp"

namespace tavirel::documents {
namespace {

// A whole number as the argument: a Long when it fits, else its digits, so
// the argument check can say it does not fit.
Variant Whole(std::int64_t value) {
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return Variant(std::to_string(value));
  }
  return Variant(static_cast<std::int32_t>(value));
}

class Reader {
 public:
  Reader(std::int32_t mode, std::vector<Problem>& problems) : mode_(mode), problems_(problems) {}

  // A decimal of at most `scale` decimals in units of 10^-scale.
  std::int64_t Scaled(const std::string& text, int scale, const std::string& where,
                      const char* what) {
    const auto number = ReadDecimal(text);
    if (!number) {
      problems_.push_back({where, "\"" + text + "\" is not a decimal number"});
      return 0;
    }
    const auto value = decimal::ScaleExact(*number, scale);
    if (!value) {
      problems_.push_back({where, std::string(what) + " \"" + text + "\" has more than " +
                                      std::to_string(scale) + " decimals"});
      return 0;
    }
    return *value;
  }
  std::int64_t Money(const std::string& text, const std::string& where) {
    return Scaled(text, MoneyDecimals(mode_), where,
                  mode_ == 1 ? "an amount in lire" : "an amount in euro");
  }
  // The control's Currency for an amount in the register's units.
  [[nodiscard]] Variant MoneyArg(std::int64_t units) const {
    return Variant(Currency::FromRaw(units * (MoneyDecimals(mode_) == 2 ? 100 : 10'000)));
  }

 private:
  std::int32_t mode_;
  std::vector<Problem>& problems_;
};

constexpr std::array<std::array<const char*, 3>, 3> kLineMembers{{
    {"opReparto", "opRepartoQInt", "opRepartoQDec"},
    {"opRepartoReso", "opRepartoResoQInt", "opRepartoResoQDec"},
    {"opRepartoStorno", "opRepartoStornoQInt", "opRepartoStornoQDec"},
}};

PlannedStep LineStep(const Document& d, const ReceiptLine& line, const std::string& where,
                     Reader& r) {
  PlannedStep step;
  step.where = where;
  const Variant op = Whole(d.operator_code);
  if (line.type == LineType::Text) {
    step.kind = StepKind::Text;
    step.member = "opDescAgg";
    step.args = {op, Variant(line.text)};
    return step;
  }
  step.kind = StepKind::Line;
  const std::int64_t price = r.Money(line.price, where + ".price");
  std::int64_t thousandths = 1000;
  int form = 0;
  Variant quantity;
  if (line.quantity) {
    const bool decimal = line.quantity->find('.') != std::string::npos;
    form = decimal ? 2 : 1;
    thousandths = r.Scaled(*line.quantity, 3, where + ".quantity", "a quantity");
    quantity =
        decimal ? Variant(static_cast<float>(thousandths) / 1000.0f) : Whole(thousandths / 1000);
  }
  const int kind = line.type == LineType::Sale ? 0 : line.type == LineType::Return ? 1 : 2;
  step.member = kLineMembers[static_cast<std::size_t>(kind)][static_cast<std::size_t>(form)];
  step.args = {op, Variant(line.description)};
  if (form != 0) step.args.push_back(quantity);
  step.args.push_back(r.MoneyArg(price));
  step.args.push_back(Whole(line.department));
  step.args.push_back(line.price_type ? Whole(*line.price_type) : Variant());
  if (line.code) step.args.push_back(Variant(*line.code));
  step.department = line.department;
  step.quantity = thousandths;
  step.price = price;
  step.effect.direction = kind == 0 ? 1 : -1;
  // A price of 0 takes the department's; a decimal quantity rounds as the
  // register rounds: only the direction is sure then.
  if (price != 0 && form != 2)
    step.effect.exact = step.effect.direction * price * (thousandths / 1000);
  return step;
}

PlannedStep AdjustmentStep(const Document& d, const Adjustment& a, const std::string& where,
                           Reader& r) {
  PlannedStep step;
  step.kind = StepKind::Adjustment;
  step.where = where;
  const Variant op = Whole(d.operator_code);
  if (a.type == AdjustmentType::Discount) {
    const std::int64_t amount = r.Money(a.amount, where + ".amount");
    step.member = "opSubTotAbbuono";
    step.args = {op, r.MoneyArg(amount)};
    step.effect = {-1, -amount};
    return step;
  }
  const std::int64_t hundredths = r.Scaled(a.percent, 2, where + ".percent", "a percentage");
  const bool surcharge = a.type == AdjustmentType::SurchargePercent;
  step.member = surcharge ? "opSubTotPercPlus" : "opSubTotPercMinus";
  step.args = {op, Variant(static_cast<float>(hundredths) / 100.0f)};
  step.percent = hundredths;
  step.effect.direction = surcharge ? 1 : -1;
  return step;
}

PlannedStep PaymentStep(const Document& d, const Payment& p, const std::string& where, Reader& r) {
  PlannedStep step;
  step.kind = StepKind::Payment;
  step.where = where;
  const Variant op = Whole(d.operator_code);
  if (p.amount) step.amount = r.Money(*p.amount, where + ".amount");
  switch (p.type) {
    case PaymentType::Cash:
      step.member = "opContante";
      step.args = {op, r.MoneyArg(step.amount.value_or(0))};
      break;
    case PaymentType::Cheque:
      step.member = "opAssegno";
      step.args = {op, r.MoneyArg(step.amount.value_or(0))};
      break;
    case PaymentType::Card:
      step.member = "opCredCC";
      step.args = {op, Whole(p.card)};
      step.amount.reset();
      break;
    case PaymentType::Ticket:
      step.member = "opTicket";
      step.args = {op, Whole(p.ticket), r.MoneyArg(step.amount.value_or(0))};
      break;
  }
  // Cash or cheque of zero pays the rest, as the register reads it.
  if (step.amount == 0 && p.type != PaymentType::Ticket) step.amount.reset();
  return step;
}

std::vector<PlannedStep> ReceiptSteps(const Document& d, Reader& r) {
  std::vector<PlannedStep> steps;
  for (std::size_t i = 0; i < d.lines.size(); ++i) {
    steps.push_back(LineStep(d, d.lines[i], "lines[" + std::to_string(i) + "]", r));
  }
  for (std::size_t i = 0; i < d.adjustments.size(); ++i) {
    steps.push_back(
        AdjustmentStep(d, d.adjustments[i], "adjustments[" + std::to_string(i) + "]", r));
  }
  for (std::size_t i = 0; i < d.payments.size(); ++i) {
    steps.push_back(PaymentStep(d, d.payments[i], "payments[" + std::to_string(i) + "]", r));
  }
  return steps;
}

std::vector<PlannedStep> NonFiscalSteps(const Document& d) {
  const Variant op = Whole(d.operator_code);
  std::vector<PlannedStep> steps;
  steps.push_back({StepKind::Begin, "opIniSNoFisc", {op}, "", {}, {}, 1000, 0, 0});
  for (std::size_t i = 0; i < d.text_lines.size(); ++i) {
    const TextLine& line = d.text_lines[i];
    steps.push_back({StepKind::PrintedLine,
                     "opDatiSNoFisc",
                     {op, Whole(line.font), Variant(line.text)},
                     "lines[" + std::to_string(i) + "]",
                     {},
                     {},
                     1000,
                     0,
                     0});
  }
  steps.push_back({StepKind::End, "opEndSNoFisc", {op}, "", {}, {}, 1000, 0, 0});
  return steps;
}

std::vector<PlannedStep> ReportSteps(const Document& d, std::vector<Problem>& problems) {
  const ReportKind* report = FindReport(d.report);
  if (report == nullptr) {
    std::string names;
    for (const ReportKind& r : Reports())
      names += (names.empty() ? "" : ", ") + std::string(r.name);
    problems.push_back({"report", "unknown report \"" + d.report + "\" (one of " + names + ")"});
    return {};
  }
  PlannedStep step{StepKind::Report,
                   std::string(report->member),
                   {Whole(d.operator_code)},
                   "report",
                   {},
                   {},
                   1000,
                   0,
                   0};
  if (report->takes_number) {
    step.args.push_back(Whole(d.report_number.value_or(0)));
  } else if (d.report_number) {
    problems.push_back({"number", "the report \"" + d.report + "\" takes no number"});
  }
  return {step};
}

}  // namespace

std::int64_t LineAmount(std::int64_t thousandths, std::int64_t unit_price) {
  return (thousandths * unit_price + 500) / 1000;
}

PlannedStep PaymentPlan(const Document& document, const Payment& payment, const std::string& where,
                        std::int32_t euro_settings, std::vector<Problem>& problems) {
  Reader reader(euro_settings, problems);
  return PaymentStep(document, payment, where, reader);
}

std::vector<PlannedStep> Plan(const Document& document, std::int32_t euro_settings,
                              std::vector<Problem>& problems) {
  Reader reader(euro_settings, problems);
  switch (document.type) {
    case DocumentType::Receipt: return ReceiptSteps(document, reader);
    case DocumentType::NonFiscal: return NonFiscalSteps(document);
    case DocumentType::Report: return ReportSteps(document, problems);
  }
  return {};
}

}  // namespace tavirel::documents
