#include "types/decimal.hpp"

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
