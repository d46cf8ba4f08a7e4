#pragma once
// Decimal text as documents carry it ("1.50", "-3", "0.125"), read exactly
// through the library's decimal module, never binary floating point; the
// form two spellings of one amount are compared by; and the one place where
// the register's whole cents or lire become the outcome's decimal text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tavirel/currency.hpp"
#include "tavirel/decimal.hpp"

namespace tavirel::documents {

/// Reads "[+-]digits[.digits]" (or ".digits"): no blanks, no exponent, at
/// most 18 digits. Empty when it is not such a text.
std::optional<decimal::Digits> ReadDecimal(std::string_view text);

/// True for a number that is zero, whatever its sign and digits.
bool IsZero(const decimal::Digits& number);

/// The form an amount is compared and stored by: its value in plain
/// notation without trailing zeros ("1.50", "1.500", "+01.5" give "1.5").
/// With `keep_point` a text written with a point keeps one decimal at least
/// ("1.000" gives "1.0"), since a quantity with a point is another
/// operation. A text that is not decimal is kept as it is.
std::string CanonicalDecimal(std::string_view text, bool keep_point = false);

/// The text a document keeps: its digits as written, without "+" and
/// leading zeros ("+01.50" gives "1.50", ".5" gives "0.5"). A text that is
/// not decimal is kept as it is.
std::string WrittenDecimal(std::string_view text);

/// Decimals the register's money has in a currency mode: 2 in euro, 0 in lire.
int MoneyDecimals(std::int32_t euro_settings);

/// Whole cents or lire (as the register counts money) to decimal text in the
/// currency mode: 567 gives "5.67" in euro and "567" in lire.
std::string MoneyText(std::int64_t register_units, std::int32_t euro_settings);

/// The register's units held at face value in a result property (LastImp
/// 567 means 567 cents or lire) as decimal text.
std::string MoneyText(Currency face_value, std::int32_t euro_settings);

}  // namespace tavirel::documents
