#include "tavirel/decimal.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tavirel::decimal {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view StripLeadingZeros(std::string_view digits) {
  const auto first = digits.find_first_not_of('0');
  return first == std::string_view::npos ? std::string_view{} : digits.substr(first);
}

// The digits of the whole part of number * 10^decimals and the first digit
// after it ('0' when there is none), before any rounding.
struct SplitDigits {
  std::string whole;
  char next = '0';
};

SplitDigits Split(const Digits& number, int decimals) {
  const std::string_view digits = StripLeadingZeros(number.digits);
  const auto size = static_cast<std::int64_t>(digits.size());
  const std::int64_t shift = std::int64_t{number.exponent} + decimals;
  SplitDigits split;
  if (digits.empty()) return split;
  if (shift >= 0) {
    split.whole = std::string(digits) + std::string(static_cast<std::size_t>(shift), '0');
    return split;
  }
  const std::int64_t keep = size + shift;
  if (keep < 0) return split;
  split.whole = std::string(digits.substr(0, static_cast<std::size_t>(keep)));
  split.next = digits[static_cast<std::size_t>(keep)];
  return split;
}

// "999" + 1 = "1000", on decimal digit strings.
std::string Increment(std::string digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return digits;
    }
    *it = '0';
  }
  return "1" + digits;
}

template <typename Float>
std::optional<Digits> ShortestOf(Float value) {
  if (!std::isfinite(value)) return std::nullopt;
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  // Form: [-]d[.ddd]e(+|-)dd
  Digits number;
  std::size_t pos = 0;
  if (text[pos] == '-') {
    number.negative = true;
    ++pos;
  }
  const auto e = text.find('e');
  int fraction_digits = 0;
  for (; pos < e; ++pos) {
    if (text[pos] == '.') {
      fraction_digits = static_cast<int>(e - pos - 1);
      continue;
    }
    number.digits += text[pos];
  }
  int power = 0;
  const char* begin = text.data() + e + 1;
  if (*begin == '+') ++begin;
  std::from_chars(begin, text.data() + text.size(), power);
  number.exponent = power - fraction_digits;
  return number;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<Digits> Parse(std::string_view text) {
  text = TrimBlanks(text);
  Digits number;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    number.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  bool seen_point = false;
  std::size_t fraction_digits = 0;
  for (const char c : text) {
    if (IsDigit(c)) {
      number.digits += c;
      if (seen_point) ++fraction_digits;
    } else if (c == '.' && !seen_point) {
      seen_point = true;
    } else {
      return std::nullopt;
    }
  }
  if (number.digits.empty()) return std::nullopt;
  if (fraction_digits > static_cast<std::size_t>(std::numeric_limits<int>::max() / 2)) {
    return std::nullopt;
  }
  number.exponent = -static_cast<int>(fraction_digits);
  return number;
}

std::optional<Digits> Shortest(float value) { return ShortestOf(value); }
std::optional<Digits> Shortest(double value) { return ShortestOf(value); }

std::optional<std::int64_t> ScaleRounded(const Digits& number, int decimals) {
  // More than 19 whole digits never fit; say so before building them.
  const auto significant = static_cast<std::int64_t>(StripLeadingZeros(number.digits).size());
  if (significant > 0 && significant + number.exponent + decimals > 19) return std::nullopt;
  const SplitDigits split = Split(number, decimals);
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t magnitude = 0;
  for (const char c : split.whole) {
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (magnitude > (kMax - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  if (split.next >= '5') {
    if (magnitude == kMax) return std::nullopt;
    ++magnitude;
  }
  constexpr auto kLimit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (!number.negative) {
    if (magnitude > kLimit) return std::nullopt;
    return static_cast<std::int64_t>(magnitude);
  }
  if (magnitude > kLimit + 1) return std::nullopt;
  if (magnitude == kLimit + 1) return std::numeric_limits<std::int64_t>::min();
  return -static_cast<std::int64_t>(magnitude);
}

WholeDigits RoundedWhole(const Digits& number) {
  SplitDigits split = Split(number, 0);
  std::string whole = split.next >= '5' ? Increment(std::move(split.whole)) : split.whole;
  WholeDigits result;
  result.digits = std::string(StripLeadingZeros(whole));
  if (result.digits.empty()) {
    result.digits = "0";
  } else {
    result.negative = number.negative;
  }
  return result;
}

std::string ToPlainText(const Digits& number) {
  const std::string_view digits = StripLeadingZeros(number.digits);
  if (digits.empty()) return "0";
  std::string text;
  const auto size = static_cast<std::int64_t>(digits.size());
  if (number.exponent >= 0) {
    text = std::string(digits) + std::string(static_cast<std::size_t>(number.exponent), '0');
  } else {
    const std::int64_t point = size + number.exponent;
    if (point > 0) {
      text = std::string(digits.substr(0, static_cast<std::size_t>(point))) + "." +
             std::string(digits.substr(static_cast<std::size_t>(point)));
    } else {
      text = "0." + std::string(static_cast<std::size_t>(-point), '0') + std::string(digits);
    }
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  if (text == "0") return text;
  return number.negative ? "-" + text : text;
}

namespace {

// The parts of a JSON number as written: sign, whole digits, fraction
// digits and the exponent; false when the text breaks JSON's grammar.
struct JsonParts {
  bool negative = false;
  std::string_view whole;
  std::string_view fraction;
  long exponent = 0;
};

constexpr long kMaxJsonExponent = 400;

bool SplitJsonNumber(std::string_view text, JsonParts& parts) {
  std::size_t i = 0;
  const auto digits_from = [&text, &i] {
    const std::size_t start = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    return text.substr(start, i - start);
  };
  if (i < text.size() && text[i] == '-') {
    parts.negative = true;
    ++i;
  }
  parts.whole = digits_from();
  if (parts.whole.empty() || (parts.whole.size() > 1 && parts.whole.front() == '0')) return false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    parts.fraction = digits_from();
    if (parts.fraction.empty()) return false;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool minus = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) minus = text[i++] == '-';
    const std::string_view power = digits_from();
    if (power.empty()) return false;
    long value = 0;
    for (const char c : power) {
      value = value * 10 + (c - '0');
      if (value > kMaxJsonExponent) return false;
    }
    parts.exponent = minus ? -value : value;
  }
  return i == text.size();
}

}  // namespace

std::optional<Digits> ParseJsonNumber(std::string_view text) {
  JsonParts parts;
  if (!SplitJsonNumber(text, parts)) return std::nullopt;
  Digits number;
  number.negative = parts.negative;
  number.digits = std::string(parts.whole) + std::string(parts.fraction);
  number.exponent = static_cast<int>(parts.exponent - static_cast<long>(parts.fraction.size()));
  return number;
}

std::optional<std::string> JsonNumberAsWritten(std::string_view json_number) {
  JsonParts parts;
  if (!SplitJsonNumber(json_number, parts)) return std::nullopt;
  const std::string sign = parts.negative ? "-" : "";
  const std::string digits = std::string(parts.whole) + std::string(parts.fraction);
  // Digits before the decimal point once the exponent is applied.
  const long point = static_cast<long>(parts.whole.size()) + parts.exponent;
  std::string text;
  if (point <= 0) {
    text = "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
  } else if (point >= static_cast<long>(digits.size())) {
    text = digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
  } else {
    text = digits.substr(0, static_cast<std::size_t>(point)) + "." +
           digits.substr(static_cast<std::size_t>(point));
  }
  const std::size_t first = text.find_first_not_of('0');
  if (first == std::string::npos) {
    text = "0";
  } else if (text[first] == '.') {
    text.erase(0, first - 1);
  } else {
    text.erase(0, first);
  }
  return sign + text;
}

std::optional<std::int64_t> ScaleExact(const Digits& number, int decimals) {
  const std::string_view digits = StripLeadingZeros(number.digits);
  const std::int64_t shift = std::int64_t{number.exponent} + decimals;
  // Digits that would fall after the point must all be zeros.
  if (shift < 0) {
    const auto dropped = static_cast<std::size_t>(
        std::min<std::int64_t>(-shift, static_cast<std::int64_t>(digits.size())));
    if (digits.substr(digits.size() - dropped).find_first_not_of('0') != std::string_view::npos) {
      return std::nullopt;
    }
  }
  return ScaleRounded(number, decimals);
}

std::string ShortestText(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  return ToPlainText(*Shortest(value));
}

std::string ShortestText(float value) {
  if (!std::isfinite(value)) return ShortestText(static_cast<double>(value));
  return ToPlainText(*Shortest(value));
}

}  // namespace tavirel::decimal
