// A JSON number's text written out without its exponent, digit for digit.
#include <string>

#include "tavirel/json_ops/op_request.hpp"

namespace tavirel::json_ops {
namespace {

// Exponents beyond this put a number far outside every parameter's range.
constexpr long kMaxExponent = 400;

std::string StripLeadingZeros(std::string digits) {
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

long Exponent(std::string_view number, std::string_view text) {
  long exponent = 0;
  try {
    exponent = std::stol(std::string(text));
  } catch (const std::exception&) {
    exponent = text.find('-') == std::string_view::npos ? kMaxExponent + 1 : -kMaxExponent - 1;
  }
  if (exponent > kMaxExponent || exponent < -kMaxExponent) {
    throw JsonOpError("JSON OP: the number " + std::string(number) + " is out of range");
  }
  return exponent;
}

}  // namespace

std::string PlainDecimal(std::string_view json_number) {
  std::string_view text = json_number;
  std::string sign;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    if (text.front() == '-') sign = "-";
    text.remove_prefix(1);
  }
  const std::size_t e = text.find_first_of("eE");
  if (e == std::string_view::npos) return sign + std::string(text);
  const std::string_view mantissa = text.substr(0, e);
  const long exponent = Exponent(json_number, text.substr(e + 1));
  const std::size_t dot = mantissa.find('.');
  const std::string whole(mantissa.substr(0, dot));
  const std::string fraction =
      dot == std::string_view::npos ? "" : std::string(mantissa.substr(dot + 1));
  const std::string digits = whole + fraction;
  const long point = static_cast<long>(whole.size()) + exponent;  // digits before the decimal point
  if (point <= 0) return sign + "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
  if (point >= static_cast<long>(digits.size())) {
    return sign + StripLeadingZeros(
                      digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0'));
  }
  const auto at = static_cast<std::size_t>(point);
  return sign + StripLeadingZeros(digits.substr(0, at)) + "." + digits.substr(at);
}

}  // namespace tavirel::json_ops
