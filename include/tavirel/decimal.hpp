#pragma once
// Exact decimal numbers as digit strings: the one place where texts, JSON
// numbers and floating-point values become scaled integers, used by the
// library, the documents and the JSON OP codec alike. Rounding is always
// half away from zero and happens once, on the exact decimal digits; exact
// scaling refuses rather than rounds.
//
// Free functions on values: safe from any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tavirel/export.hpp"

namespace tavirel::decimal {

/// A finite decimal number: (-1)^negative * digits * 10^exponent.
/// `digits` holds decimal digits only and may have leading zeros.
struct Digits {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

/// The text without blanks (space and tab) at either end.
TAVIREL_API std::string_view TrimBlanks(std::string_view text);

/// Reads a plain decimal number: blanks, an optional sign, digits with an
/// optional decimal point ("12", "-1.50", "+.5", "3."), blanks. No exponent,
/// no group separator, at least one digit. Empty when the text is anything else.
TAVIREL_API std::optional<Digits> Parse(std::string_view text);

/// The shortest decimal form that reads back as the same value (0.285f is
/// 285e-3). Empty for NaN and infinities.
TAVIREL_API std::optional<Digits> Shortest(float value);
TAVIREL_API std::optional<Digits> Shortest(double value);

/// The number times 10^decimals, rounded half away from zero. Empty when the
/// result does not fit a signed 64-bit integer.
TAVIREL_API std::optional<std::int64_t> ScaleRounded(const Digits& number, int decimals);

/// The number rounded half away from zero to a whole number, as decimal
/// digits without leading zeros ("0" for zero); never overflows. The sign
/// is returned separately and is false for a result of zero.
struct WholeDigits {
  bool negative = false;
  std::string digits;
};
TAVIREL_API WholeDigits RoundedWhole(const Digits& number);

/// Plain decimal notation, no exponent: "100000000000000000000", "0.001",
/// "-1.5". Zero is "0" whatever its sign.
TAVIREL_API std::string ToPlainText(const Digits& number);

/// Reads a JSON number ("-12", "1.50", "15e-1", "1E+2"): JSON's grammar
/// exactly, no blanks. Empty when the text is not a JSON number or its
/// exponent passes 400 either way, far outside any amount or field.
TAVIREL_API std::optional<Digits> ParseJsonNumber(std::string_view text);

/// A JSON number in plain notation with the digits it was written with:
/// "1.50" stays "1.50", "15e-1" is "1.5", "1.50e1" is "15.0", "-0.5E1" is
/// "-5". Empty as ParseJsonNumber.
TAVIREL_API std::optional<std::string> JsonNumberAsWritten(std::string_view json_number);

/// The number times 10^decimals when that is a whole number that fits a
/// signed 64-bit integer ("1.50" at 2 decimals is 150, "1.505" is empty;
/// zeros beyond the decimals are fine). Never rounds.
TAVIREL_API std::optional<std::int64_t> ScaleExact(const Digits& number, int decimals);

/// A value for messages and texts: its shortest form in plain decimal
/// notation, or "NaN", "Infinity", "-Infinity".
TAVIREL_API std::string ShortestText(double value);
TAVIREL_API std::string ShortestText(float value);

}  // namespace tavirel::decimal
