// The kinds of command field as a table.
#include "ops/field_kinds.hpp"

#include <array>

#include "tavirel/result_codes.hpp"

namespace tavirel::ops {
namespace {

using K = FieldKind;

constexpr std::array<FieldKindInfo, 9> kKinds = {{
    {K::Digit, "digit field", true, 0, 0, ""},
    {K::TrailingDigits, "trailing digit field", true, 0, 0, ""},
    {K::Amount, "amount field", true, -1, 0, ""},
    {K::Percent, "percentage field", true, 2, 0, "hundredths"},
    {K::DecimalQty, "decimal quantity field", true, 3, 0, "thousandths"},
    {K::IntegerQty, "integer quantity field", true, 0, 3, ""},
    {K::UnitQty, "unit quantity", false, 0, 0, ""},
    {K::Text, "text field", false, 0, 0, ""},
    {K::UnitOfMeasure, "unit-of-measure field", false, 0, 0, ""},
}};

}  // namespace

const FieldKindInfo& KindInfo(FieldKind kind) {
  for (const FieldKindInfo& info : kKinds) {
    if (info.kind == kind) return info;
  }
  return kKinds.front();
}

int FieldDecimals(const CommandField& field, std::int32_t euro_settings) {
  const int decimals = KindInfo(field.kind).decimals;
  if (decimals >= 0) return decimals;
  return euro_settings == TVL_EUROSETTINGS_EURO ? 2 : 0;
}

int DigitCapacity(const CommandField& field) {
  if (field.kind == K::TrailingDigits) return 0;
  if (field.kind == K::UnitOfMeasure) return 2;
  return field.width - KindInfo(field.kind).suffix;
}

std::string LargestValue(const CommandField& field, std::int32_t euro_settings) {
  const int capacity = DigitCapacity(field);
  const int decimals = FieldDecimals(field, euro_settings);
  if (capacity <= decimals) return "0." + std::string(static_cast<std::size_t>(decimals), '9');
  std::string text(static_cast<std::size_t>(capacity), '9');
  if (decimals > 0) text.insert(text.size() - static_cast<std::size_t>(decimals), ".");
  return text;
}

}  // namespace tavirel::ops
