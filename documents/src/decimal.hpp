#pragma once
// Decimal text as documents carry it ("1.50", "-3", "0.125"), read exactly:
// digits and a scale, never binary floating point. And the one place where
// the register's whole cents or lire become the outcome's decimal text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tavirel/currency.hpp"

namespace tavirel::documents {

/// A decimal number as written: value = digits / 10^decimals.
struct DecimalText {
  bool negative = false;
  std::int64_t digits = 0;  // all digits, the point removed
  int decimals = 0;         // digits after the point
  bool has_point = false;
};

/// Reads "[+-]digits[.digits]" (or ".digits"); nothing else, no blanks, no
/// exponent, at most 18 digits. Empty when it is not such a text.
std::optional<DecimalText> ReadDecimal(std::string_view text);

/// The value in units of 10^-scale when it has no more decimals than
/// `scale` (trailing zeros beyond it are fine): "1.50" at scale 2 is 150,
/// "1.505" at scale 2 is empty. Empty also when it does not fit.
std::optional<std::int64_t> ScaledValue(const DecimalText& number, int scale);

/// The plain form of a decimal text: no "+", no leading zeros before the
/// point ("+01.50" gives "1.50"). A text that is not decimal is kept.
std::string PlainDecimal(std::string_view text);

/// Decimals the register's money has in a currency mode: 2 in euro, 0 in lire.
int MoneyDecimals(std::int32_t euro_settings);

/// Whole cents or lire (as the register counts money) to decimal text in the
/// currency mode: 567 gives "5.67" in euro and "567" in lire.
std::string MoneyText(std::int64_t register_units, std::int32_t euro_settings);

/// The register's units held at face value in a result property (LastImp
/// 567 means 567 cents or lire) as decimal text.
std::string MoneyText(Currency face_value, std::int32_t euro_settings);

}  // namespace tavirel::documents
