#include "tavirel/qt/port_text.hpp"

#include <cstdint>
#include <limits>
#include <string>

namespace tavirel::qt {
namespace {

struct DecimalParts {
  bool negative = false;
  std::string_view whole;     // digits before the point
  std::string_view fraction;  // digits after it
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::size_t CountDigits(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && IsDigit(text[n])) ++n;
  return n;
}

// Splits a plain decimal number; false when the text is anything else.
bool SplitDecimal(std::string_view text, DecimalParts& parts) {
  text = Trimmed(text);
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    parts.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::size_t whole = CountDigits(text);
  parts.whole = text.substr(0, whole);
  text.remove_prefix(whole);
  if (!text.empty() && text.front() == '.') {
    text.remove_prefix(1);
    const std::size_t fraction = CountDigits(text);
    parts.fraction = text.substr(0, fraction);
    text.remove_prefix(fraction);
  }
  return text.empty() && !(parts.whole.empty() && parts.fraction.empty());
}

[[noreturn]] void ThrowNotAPort(std::string_view text) {
  throw PortNumberError("the port number \"" + std::string(text) +
                        "\" is not a whole number from -32768 to 32767");
}

}  // namespace

bool IsNumericPortText(std::string_view text) {
  DecimalParts parts;
  return SplitDecimal(text, parts);
}

std::int16_t PortNumberFromText(std::string_view text) {
  DecimalParts parts;
  if (!SplitDecimal(text, parts)) ThrowNotAPort(text);
  if (parts.fraction.find_first_not_of('0') != std::string_view::npos) ThrowNotAPort(text);
  std::string_view whole = parts.whole;
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  if (whole.size() > 5) ThrowNotAPort(text);
  std::int32_t value = 0;
  for (char c : whole) value = value * 10 + (c - '0');
  if (parts.negative) value = -value;
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max()) {
    ThrowNotAPort(text);
  }
  return static_cast<std::int16_t>(value);
}

}  // namespace tavirel::qt
