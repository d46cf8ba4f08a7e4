#include "decimal.hpp"

#include <cstdlib>

#include "tavirel/currency.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::documents {

std::optional<DecimalText> ReadDecimal(std::string_view text) {
  DecimalText number;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number.negative = text[i++] == '-';
  int count = 0;
  bool any = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !number.has_point) {
      number.has_point = true;
      continue;
    }
    if (c < '0' || c > '9' || ++count > 18) return std::nullopt;
    any = true;
    number.digits = number.digits * 10 + (c - '0');
    if (number.has_point) ++number.decimals;
  }
  if (!any) return std::nullopt;
  return number;
}

std::optional<std::int64_t> ScaledValue(const DecimalText& number, int scale) {
  std::int64_t value = number.digits;
  int decimals = number.decimals;
  while (decimals > scale) {
    if (value % 10 != 0) return std::nullopt;
    value /= 10;
    --decimals;
  }
  for (; decimals < scale; ++decimals) {
    if (value > INT64_MAX / 10) return std::nullopt;
    value *= 10;
  }
  return number.negative ? -value : value;
}

std::string PlainDecimal(std::string_view text) {
  if (!ReadDecimal(text)) return std::string(text);
  std::string_view rest = text;
  const bool negative = !rest.empty() && rest.front() == '-';
  if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) rest.remove_prefix(1);
  while (rest.size() > 1 && rest.front() == '0' && rest[1] != '.') rest.remove_prefix(1);
  std::string plain = negative ? "-" : "";
  if (!rest.empty() && rest.front() == '.') plain += '0';
  plain += rest;
  return plain;
}

int MoneyDecimals(std::int32_t euro_settings) {
  return euro_settings == TVL_EUROSETTINGS_LIRE ? 0 : 2;
}

std::string MoneyText(std::int64_t register_units, std::int32_t euro_settings) {
  const bool negative = register_units < 0;
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(register_units)
                                           : static_cast<std::uint64_t>(register_units);
  std::string text = negative ? "-" : "";
  if (MoneyDecimals(euro_settings) == 0) return text + std::to_string(magnitude);
  const std::uint64_t cents = magnitude % 100;
  text += std::to_string(magnitude / 100);
  text += '.';
  text += static_cast<char>('0' + cents / 10);
  text += static_cast<char>('0' + cents % 10);
  return text;
}

std::string MoneyText(Currency face_value, std::int32_t euro_settings) {
  return MoneyText(face_value.RoundedUnits(0), euro_settings);
}

}  // namespace tavirel::documents
