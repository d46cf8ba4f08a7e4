#pragma once
// The Automation currency type: a signed 64-bit integer scaled by 10,000.
// Parsing and formatting are exact decimal work: no floating point on the way.
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "tavirel/export.hpp"

namespace tavirel {

/// A value type: copy freely, share between threads.
class TAVIREL_API Currency {
 public:
  /// Raw units per whole unit: four decimals.
  static constexpr std::int64_t kScale = 10'000;

  /// Zero.
  constexpr Currency() = default;
  /// A whole number of units (lire or euro).
  static constexpr Currency FromUnits(std::int64_t units) { return FromRaw(units * kScale); }
  /// The scaled value itself (1.5 is 15000).
  static constexpr Currency FromRaw(std::int64_t raw) {
    Currency c;
    c.raw_ = raw;
    return c;
  }
  /// Parses "1.50", "-12.345", "+3", "0.0001", ".5"; blanks around the number
  /// are allowed. Digits beyond the fourth decimal round half away from zero.
  /// Throws ConversionError naming the text when it is not a plain decimal
  /// number or does not fit.
  static Currency Parse(std::string_view text);
  /// The value of a single at its shortest decimal form (the digits a person
  /// typed: 0.285f is 0.285), rounded to four decimals half away from zero.
  /// Throws ConversionError for NaN, infinities and values out of range.
  static Currency FromFloat(float value);
  /// As FromFloat for a double.
  static Currency FromDouble(double value);

  [[nodiscard]] constexpr std::int64_t raw() const { return raw_; }
  /// The value as a double (for display and conversions only).
  [[nodiscard]] double ToDouble() const { return static_cast<double>(raw_) / kScale; }
  /// The value rounded to `decimals` (0..4) decimals, half away from zero,
  /// returned as the whole number of those units (12.345 with 2 gives 1235).
  [[nodiscard]] std::int64_t RoundedUnits(int decimals) const;
  /// Shortest exact decimal text: "1.5", "12500", "-0.0001".
  [[nodiscard]] std::string ToString() const;

  /// Ordered and equal by the scaled value.
  friend constexpr auto operator<=>(Currency, Currency) = default;
  friend constexpr bool operator==(Currency, Currency) = default;

 private:
  std::int64_t raw_ = 0;
};

}  // namespace tavirel
