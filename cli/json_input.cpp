#include "json_input.hpp"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>

#include "cli_errors.hpp"

namespace tavirel::cli {
namespace {

using json = nlohmann::json;

// Builds an OpRequest from the parser's events, keeping each number's text.
class OpSax {
 public:
  bool null() { return Fail("null is not an argument; leave trailing arguments out instead"); }
  bool boolean(bool value) { return Value(Variant(VariantBool{value}), "a boolean"); }
  bool number_integer(std::int64_t value) {
    return Value(Variant(std::to_string(value)), "a number");
  }
  bool number_unsigned(std::uint64_t value) {
    return Value(Variant(std::to_string(value)), "a number");
  }
  bool number_float(double, const std::string& text) {
    return Value(Variant(PlainDecimal(text)), "a number");
  }
  bool string(std::string& value) {
    if (depth_ == 1 && key_ == "member") {
      member_ = value;
      return true;
    }
    return Value(Variant(value), "a string");
  }
  bool binary(json::binary_t&) { return Fail("binary values are not arguments"); }
  bool start_object(std::size_t) {
    if (depth_ != 0) return Fail("arguments must be numbers, strings or booleans, not objects");
    depth_ = 1;
    return true;
  }
  bool key(std::string& key) {
    if (key != "member" && key != "args")
      return Fail("unknown key \"" + key + "\" (use \"member\" and \"args\")");
    key_ = key;
    return true;
  }
  bool end_object() {
    depth_ = 0;
    return true;
  }
  bool start_array(std::size_t) {
    if (depth_ == 1 && key_ == "args") {
      depth_ = 2;
      return true;
    }
    return Fail(depth_ == 0 ? "an OP line must be a JSON object"
                            : "\"args\" must be one array of numbers, strings or booleans");
  }
  bool end_array() {
    depth_ = 1;
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const json::exception& e) {
    return Fail(std::string("malformed JSON: ") + e.what());
  }

  [[nodiscard]] const std::string& error() const { return error_; }
  [[nodiscard]] const std::optional<std::string>& member() const { return member_; }
  std::vector<Variant>& args() { return args_; }

 private:
  bool Value(Variant value, const char* what) {
    if (depth_ == 2) {
      args_.push_back(std::move(value));
      return true;
    }
    if (depth_ == 0) return Fail("an OP line must be a JSON object");
    return Fail(key_ == "member" ? std::string("\"member\" must be a string, not ") + what
                                 : std::string("\"args\" must be an array, not ") + what);
  }
  bool Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
    return false;
  }

  int depth_ = 0;
  std::string key_;
  std::optional<std::string> member_;
  std::vector<Variant> args_;
  std::string error_;
};

// Exponents beyond this put a number far outside every parameter's range.
constexpr long kMaxExponent = 400;

std::string StripLeadingZeros(std::string digits) {
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
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
  const std::string exponent_text(text.substr(e + 1));
  long exponent = 0;
  try {
    exponent = std::stol(exponent_text);
  } catch (const std::exception&) {
    exponent = exponent_text.find('-') == std::string::npos ? kMaxExponent + 1 : -kMaxExponent - 1;
  }
  if (exponent > kMaxExponent || exponent < -kMaxExponent) {
    throw UsageError("the number " + std::string(json_number) + " is out of range");
  }
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

OpRequest ParseJsonOp(std::string_view text) {
  OpSax sax;
  const bool ok = json::sax_parse(text, &sax);
  if (!ok || !sax.error().empty()) {
    throw UsageError("JSON OP: " +
                     (sax.error().empty() ? std::string("malformed JSON") : sax.error()));
  }
  if (!sax.member() || sax.member()->empty()) throw UsageError("JSON OP: \"member\" is missing");
  return OpRequest{*sax.member(), std::move(sax.args())};
}

}  // namespace tavirel::cli
