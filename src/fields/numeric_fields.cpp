// Numeric fields: decimal digits only, a leading "-" for a negative value, no
// separator of any kind. Every rounding here is exact decimal work, half away
// from zero.
#include <string>

#include "fields/field_encoders.hpp"
#include "tavirel/decimal.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel {
namespace {

// Digits of a magnitude, padded with "0" to `width`, signed in front.
std::string PadDigits(std::string digits, bool negative, int width) {
  if (width > 0 && digits.size() < static_cast<std::size_t>(width)) {
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  }
  return negative ? "-" + digits : digits;
}

// Number of digits after the decimal point of a pattern such as "###0.000".
int DecimalsOf(std::string_view pattern) {
  const auto point = pattern.find('.');
  if (point == std::string_view::npos) return 0;
  int decimals = 0;
  for (const char c : pattern.substr(point + 1)) {
    if (c == '0' || c == '#') ++decimals;
  }
  return decimals;
}

}  // namespace

std::string FormatDigitField(std::int64_t value, int width) {
  // The magnitude as unsigned, so that the most negative value has one too.
  const std::uint64_t magnitude = value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                            : static_cast<std::uint64_t>(value);
  return PadDigits(std::to_string(magnitude), value < 0, width);
}

std::string FormatAmountField(Currency value, std::int16_t width, std::int32_t euro_settings) {
  switch (euro_settings) {
    case TVL_EUROSETTINGS_LIRE: return FormatDigitField(value.RoundedUnits(0), width);
    case TVL_EUROSETTINGS_EURO: return FormatDigitField(value.RoundedUnits(2), width);
    default: return {};
  }
}

std::string FormatDecimalField(float value, std::string_view pattern, std::int16_t width) {
  const auto number = decimal::Shortest(value);
  const auto scaled = number ? decimal::ScaleRounded(*number, DecimalsOf(pattern)) : std::nullopt;
  if (!scaled) {
    throw ConversionError("the value " + decimal::ShortestText(value) +
                          " cannot be written in a numeric field with the pattern \"" +
                          std::string(pattern) + "\"");
  }
  return FormatDigitField(*scaled, width);
}

std::string FormatIntegerQuantityField(std::int16_t qta) {
  return FormatDigitField(qta, 4) + "000";
}

std::string FormatUnitOfMeasureField(std::string_view text) {
  const auto number = decimal::Parse(text);
  if (!number) return std::string(text);
  // Rounded on the digits themselves: even a number of any length is written whole.
  decimal::WholeDigits whole = decimal::RoundedWhole(*number);
  return PadDigits(std::move(whole.digits), whole.negative, 2);
}

}  // namespace tavirel
