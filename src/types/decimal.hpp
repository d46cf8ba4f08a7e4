#pragma once
// Exact decimal numbers as digit strings: the one place where texts and
// floating-point values become scaled integers. Rounding is always half away
// from zero and happens once, on the exact decimal digits.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavirel::decimal {

/// A finite decimal number: (-1)^negative * digits * 10^exponent.
/// `digits` holds decimal digits only and may have leading zeros.
struct Digits {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

/// The text without blanks (space and tab) at either end.
std::string_view TrimBlanks(std::string_view text);

/// Reads a plain decimal number: blanks, an optional sign, digits with an
/// optional decimal point ("12", "-1.50", "+.5", "3."), blanks. No exponent,
/// no group separator, at least one digit. Empty when the text is anything else.
std::optional<Digits> Parse(std::string_view text);

/// The shortest decimal form that reads back as the same value (0.285f is
/// 285e-3). Empty for NaN and infinities.
std::optional<Digits> Shortest(float value);
std::optional<Digits> Shortest(double value);

/// The number times 10^decimals, rounded half away from zero. Empty when the
/// result does not fit a signed 64-bit integer.
std::optional<std::int64_t> ScaleRounded(const Digits& number, int decimals);

/// The number rounded half away from zero to a whole number, as decimal
/// digits without leading zeros ("0" for zero); never overflows. The sign
/// is returned separately and is false for a result of zero.
struct WholeDigits {
  bool negative = false;
  std::string digits;
};
WholeDigits RoundedWhole(const Digits& number);

/// Plain decimal notation, no exponent: "100000000000000000000", "0.001",
/// "-1.5". Zero is "0" whatever its sign.
std::string ToPlainText(const Digits& number);

/// A value for messages and texts: its shortest form in plain decimal
/// notation, or "NaN", "Infinity", "-Infinity".
std::string ShortestText(double value);
std::string ShortestText(float value);

}  // namespace tavirel::decimal
