#pragma once
// A document as the operations it makes, in order: member, arguments, the
// document field it comes from, and what the step does to an open receipt,
// so that a step whose reply was lost can be judged by the subtotal.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tavirel/documents/document.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/variant.hpp"

namespace tavirel::documents {

enum class StepKind {
  Line,         // a sale, return or line void: changes the total
  Text,         // an additional description: changes nothing a reading shows
  Adjustment,   // a discount or surcharge on the subtotal
  Payment,      // pays part or, the last one, closes the receipt
  Begin,        // opens a non-fiscal document
  PrintedLine,  // a line of it
  End,          // ends it
  Report,       // an X or Z report, the closure, the fiscal memory report
};

/// What a receipt step does to the receipt's total (in the register's units).
struct TotalEffect {
  int direction = 0;                  // +1 raises it, -1 lowers it, 0 leaves it
  std::optional<std::int64_t> exact;  // the signed change, when it can be known
};

struct PlannedStep {
  StepKind kind = StepKind::Line;
  std::string member;
  std::vector<Variant> args;
  std::string where;  // "lines[2]", "payments[0]", "report"
  TotalEffect effect;
  /// Payments: the amount in the register's units; absent pays the rest.
  std::optional<std::int64_t> amount;
  std::int64_t department = 0;   // lines
  std::int64_t quantity = 1000;  // lines: thousandths
  std::int64_t price = 0;        // lines: the unit price in the register's units
  std::int64_t percent = 0;      // percentage adjustments: hundredths
};

/// The steps of `document` in currency mode `euro_settings`. Values that do
/// not read (a price that is not decimal, an amount with more decimals than
/// the currency has) are added to `problems` with where they are, and their
/// steps carry a zero in their place.
std::vector<PlannedStep> Plan(const Document& document, std::int32_t euro_settings,
                              std::vector<Problem>& problems);

/// The step of one payment (an operator's "pay the rest", say) of `document`,
/// named `where`. Problems as Plan's.
PlannedStep PaymentPlan(const Document& document, const Payment& payment, const std::string& where,
                        std::int32_t euro_settings, std::vector<Problem>& problems);

/// The amount of a line: quantity (thousandths) times the unit price,
/// rounded half up to the register's unit.
std::int64_t LineAmount(std::int64_t thousandths, std::int64_t unit_price);

}  // namespace tavirel::documents
