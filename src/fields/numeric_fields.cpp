// Numeric fields: decimal digits only, a leading "-" for a negative value, no
// separator of any kind. Every rounding here is exact decimal work, half away
// from zero.
#include <cstdint>
#include <string>

#include "fields/field_encoders.hpp"
#include "tavirel/decimal.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel {
namespace {

// Digits of a magnitude, padded with "0" to `width`, signed in front.
void AppendPadded(std::string& out, std::string_view digits, bool negative, int width) {
  if (negative) out += '-';
  if (width > 0 && digits.size() < static_cast<std::size_t>(width)) {
    out.append(static_cast<std::size_t>(width) - digits.size(), '0');
  }
  out.append(digits);
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

template <typename Append>
std::string Formatted(Append&& append) {
  std::string field;
  append(field);
  return field;
}

}  // namespace

std::string FormatDigitField(std::int64_t value, int width) {
  return Formatted([&](std::string& out) { AppendDigitField(out, value, width); });
}

void AppendDigitField(std::string& out, std::int64_t value, int width) {
  // Most fields: digits that fit their width, written straight to it.
  static constexpr std::int64_t kFits[] = {1,      10,      100,      1000,      10000,
                                           100000, 1000000, 10000000, 100000000, 1000000000};
  if (width >= 1 && width <= 9 && value >= 0 && value < kFits[width]) {
    // Zeros first (two stores), the digits over them from the right.
    char field[9] = {'0', '0', '0', '0', '0', '0', '0', '0', '0'};
    auto left = static_cast<std::uint32_t>(value);
    for (int i = width; left != 0; left /= 10) field[--i] = static_cast<char>('0' + left % 10);
    out.append(field, static_cast<std::size_t>(width));
    return;
  }
  // The magnitude as unsigned, so that the most negative value has one too.
  std::uint64_t magnitude = value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                      : static_cast<std::uint64_t>(value);
  // Written backwards into room for the widest field of the catalogue and
  // any 64-bit magnitude, padding and sign included, then appended at once.
  char field[32];
  char* const end = field + sizeof field;
  char* first = end;
  if (magnitude <= UINT32_MAX) {  // every field of the catalogue: cheaper in 32 bits
    auto small = static_cast<std::uint32_t>(magnitude);
    do {
      *--first = static_cast<char>('0' + small % 10);
      small /= 10;
    } while (small != 0);
  } else {
    do {
      *--first = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
  }
  if (width >= static_cast<int>(sizeof field)) {  // no field is that wide; padded as ever
    AppendPadded(out, std::string_view(first, static_cast<std::size_t>(end - first)), value < 0,
                 width);
    return;
  }
  while (end - first < width) *--first = '0';
  if (value < 0) *--first = '-';
  out.append(first, end);
}

std::string FormatAmountField(Currency value, std::int16_t width, std::int32_t euro_settings) {
  return Formatted([&](std::string& out) { AppendAmountField(out, value, width, euro_settings); });
}

void AppendAmountField(std::string& out, Currency value, std::int16_t width,
                       std::int32_t euro_settings) {
  switch (euro_settings) {
    case TVL_EUROSETTINGS_LIRE: AppendDigitField(out, value.RoundedUnits(0), width); return;
    case TVL_EUROSETTINGS_EURO: AppendDigitField(out, value.RoundedUnits(2), width); return;
    default: return;
  }
}

std::string FormatDecimalField(float value, std::string_view pattern, std::int16_t width) {
  return Formatted([&](std::string& out) { AppendDecimalField(out, value, pattern, width); });
}

void AppendDecimalField(std::string& out, float value, std::string_view pattern,
                        std::int16_t width) {
  const auto number = decimal::Shortest(value);
  const auto scaled = number ? decimal::ScaleRounded(*number, DecimalsOf(pattern)) : std::nullopt;
  if (!scaled) {
    throw ConversionError("the value " + decimal::ShortestText(value) +
                          " cannot be written in a numeric field with the pattern \"" +
                          std::string(pattern) + "\"");
  }
  AppendDigitField(out, *scaled, width);
}

std::string FormatIntegerQuantityField(std::int16_t qta) {
  return Formatted([&](std::string& out) { AppendIntegerQuantityField(out, qta); });
}

void AppendIntegerQuantityField(std::string& out, std::int16_t qta) {
  AppendDigitField(out, qta, 4);
  out += "000";
}

std::string FormatUnitOfMeasureField(std::string_view text) {
  return Formatted([&](std::string& out) { AppendUnitOfMeasureField(out, text); });
}

void AppendUnitOfMeasureField(std::string& out, std::string_view text) {
  const auto number = decimal::Parse(text);
  if (!number) {
    out.append(text);
    return;
  }
  // Rounded on the digits themselves: even a number of any length is written whole.
  const decimal::WholeDigits whole = decimal::RoundedWhole(*number);
  AppendPadded(out, whole.digits, whole.negative, 2);
}

}  // namespace tavirel
