#include "ops/reply_fields.hpp"

#include <iterator>
#include <limits>

#include "tavirel/errors.hpp"

namespace tavirel::ops {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::optional<std::int64_t> ReadDigits(std::string_view digits) {
  if (std::int64_t value = 0; ReadPlainDigits(digits, value)) return value;
  if (digits.size() <= 18) return std::nullopt;  // not digits alone
  std::int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    if (value > (std::numeric_limits<std::int64_t>::max() - 9) / 10) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::string_view ReplyData(std::string_view reply) {
  if (reply.size() <= 7) return {};
  return reply.substr(4, reply.size() - 7);
}

std::optional<std::int64_t> ReadSignedInteger(std::string_view field) {
  field = TrimBlanks(field);
  bool negative = false;
  if (!field.empty() && (field.front() == '-' || field.front() == '+')) {
    negative = field.front() == '-';
    field.remove_prefix(1);
  }
  auto value = ReadDigits(field);
  if (!value) return std::nullopt;
  return negative ? -*value : *value;
}

std::optional<float> TryParseDecimalField(std::string_view field, int decimals) {
  if (decimals < 0 || static_cast<std::size_t>(decimals) > field.size()) return std::nullopt;
  const std::size_t split = field.size() - static_cast<std::size_t>(decimals);
  // A field made of its fraction alone has an integer part of 0.
  std::int64_t integer = 0;
  std::int64_t fraction = 0;
  bool negative = false;
  const bool plain = (split == 0 || ReadPlainDigits(field.substr(0, split), integer)) &&
                     (decimals == 0 || ReadPlainDigits(field.substr(split), fraction));
  if (!plain) {  // blanks or a sign: read part by part
    std::string_view whole = TrimBlanks(field.substr(0, split));
    if (!whole.empty() && (whole.front() == '-' || whole.front() == '+')) {
      negative = whole.front() == '-';
      whole.remove_prefix(1);
    }
    auto whole_value = split == 0 ? std::optional<std::int64_t>(0) : ReadDigits(whole);
    auto fraction_value = decimals == 0 ? std::optional<std::int64_t>(0)
                                        : ReadDigits(TrimBlanks(field.substr(split)));
    if (!whole_value || !fraction_value) return std::nullopt;
    integer = *whole_value;
    fraction = *fraction_value;
  }
  // Powers of ten are exact in a double up to 10^22: looked up that far,
  // multiplied out beyond (the same value either way).
  static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
  double scale = 1.0;
  if (static_cast<std::size_t>(decimals) < std::size(kPowers)) {
    scale = kPowers[decimals];
  } else {
    for (int i = 0; i < decimals; ++i) scale *= 10.0;
  }
  // The sign belongs to the whole value: -0001500 with 3 decimals is -1.5.
  const double magnitude = static_cast<double>(integer) + static_cast<double>(fraction) / scale;
  return static_cast<float>(negative ? -magnitude : magnitude);
}

float ParseDecimalField(std::string_view field, std::int16_t decimals) {
  auto value = TryParseDecimalField(field, decimals);
  if (!value) {
    throw ConversionError("\"" + std::string(field) + "\" does not read as a number with " +
                          std::to_string(decimals) + " decimals");
  }
  return *value;
}

}  // namespace tavirel::ops
