#pragma once
// What each kind of command field holds, in one table: its name for people,
// whether it is a number, the unit of its digits and how many it takes.
// Read by the argument check and by the operations reference.
#include <cstdint>
#include <string>
#include <string_view>

#include "ops/catalogue.hpp"

namespace tavirel::ops {

struct FieldKindInfo {
  FieldKind kind;
  std::string_view name;   // "amount field"
  bool numeric;            // digits, with "-" in front when negative
  int decimals;            // decimals the digits count in; -1: by the currency mode
  int suffix;              // constant characters after the value's digits
  std::string_view units;  // what one unit of the digits is ("hundredths"); "" for plain
};

/// The row of a kind.
const FieldKindInfo& KindInfo(FieldKind kind);

/// The decimals the field's digits count in: for an amount 0 in lire and 2
/// in euro (and 0 in a mode that is neither).
int FieldDecimals(const CommandField& field, std::int32_t euro_settings);

/// How many digits the field has room for; 0 when it has no fixed width.
int DigitCapacity(const CommandField& field);

/// The largest value the field holds, as a person writes it ("9999999.99").
std::string LargestValue(const CommandField& field, std::int32_t euro_settings);

}  // namespace tavirel::ops
