#include "decimal.hpp"

#include <algorithm>

#include "tavirel/result_codes.hpp"

namespace tavirel::documents {
namespace {

constexpr std::size_t kMaxDigits = 18;

bool Plain(std::string_view text) {
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  const auto digits = std::count_if(text.begin(), text.end(), [](char c) { return c != '.'; });
  return !text.empty() && static_cast<std::size_t>(digits) <= kMaxDigits &&
         std::all_of(text.begin(), text.end(),
                     [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

}  // namespace

std::optional<decimal::Digits> ReadDecimal(std::string_view text) {
  if (!Plain(text)) return std::nullopt;
  return decimal::Parse(text);
}

bool IsZero(const decimal::Digits& number) {
  return number.digits.find_first_not_of('0') == std::string::npos;
}

std::string CanonicalDecimal(std::string_view text, bool keep_point) {
  const auto number = ReadDecimal(text);
  if (!number) return std::string(text);
  std::string plain = decimal::ToPlainText(*number);
  if (keep_point && text.find('.') != std::string_view::npos &&
      plain.find('.') == std::string::npos) {
    plain += ".0";
  }
  return plain;
}

std::string WrittenDecimal(std::string_view text) {
  const auto number = ReadDecimal(text);
  if (!number) return std::string(text);
  const auto fraction = static_cast<std::size_t>(-number->exponent);
  std::string whole = number->digits.substr(0, number->digits.size() - fraction);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  std::string plain = number->negative ? "-" : "";
  plain += whole.empty() ? "0" : whole;
  if (fraction > 0) plain += "." + number->digits.substr(number->digits.size() - fraction);
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
