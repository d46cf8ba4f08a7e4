// Conversions of Variant to the numeric types and to Boolean.
//
// A Single, a Date or a text with decimals becomes an integer rounded half
// away from zero (2.5 gives 3, -2.5 gives -3). Automation itself rounds half
// to even here; we round as the field encoders do, so that a value reads the
// same whether it travels in a command field or through a conversion.
// A floating value is rounded as it is: a half is exactly representable, so
// its binary error cannot flip the rounding, and a large whole Single
// (2147483648) keeps its exact value instead of its shortest digits.
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "tavirel/decimal.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/variant.hpp"
#include "types/variant_detail.hpp"

namespace tavirel {
namespace {

using variant_detail::ThrowNotConvertible;
using variant_detail::ThrowOutOfRange;

constexpr std::int64_t kTrue = -1;

std::int64_t RoundedOrThrow(const std::optional<decimal::Digits>& number, const Variant& source,
                            VarType target) {
  if (!number) ThrowNotConvertible(source, target);
  const auto whole = decimal::ScaleRounded(*number, 0);
  if (!whole) ThrowOutOfRange(source, target);
  return *whole;
}

std::int64_t RoundedOrThrow(double value, const Variant& source, VarType target) {
  if (std::isnan(value)) ThrowNotConvertible(source, target);
  const double whole = std::round(value);                 // halves away from zero
  constexpr double kLimit = 9'223'372'036'854'775'808.0;  // 2^63
  if (!(whole >= -kLimit && whole < kLimit)) ThrowOutOfRange(source, target);
  return static_cast<std::int64_t>(whole);
}

// The value as a whole number, rounded half away from zero.
std::int64_t WholeNumber(const Variant& v, VarType target) {
  switch (v.type()) {
    case VarType::VT_EMPTY: return 0;
    case VarType::VT_I2: return v.get<std::int16_t>();
    case VarType::VT_I4: return v.get<std::int32_t>();
    case VarType::VT_R4: return RoundedOrThrow(static_cast<double>(v.get<float>()), v, target);
    case VarType::VT_CY: return v.get<Currency>().RoundedUnits(0);
    case VarType::VT_DATE: return RoundedOrThrow(v.get<OleDate>().value(), v, target);
    case VarType::VT_BSTR: return RoundedOrThrow(decimal::Parse(v.get<std::string>()), v, target);
    case VarType::VT_BOOL: return v.get<VariantBool>().value ? kTrue : 0;
    case VarType::VT_VARIANT: break;  // a stored value always has a concrete type
  }
  ThrowNotConvertible(v, target);
}

template <typename Integer>
Integer Narrow(const Variant& v, VarType target) {
  const std::int64_t whole = WholeNumber(v, target);
  if (whole < std::numeric_limits<Integer>::min() || whole > std::numeric_limits<Integer>::max()) {
    ThrowOutOfRange(v, target);
  }
  return static_cast<Integer>(whole);
}

// The nearest Single to an exact decimal number; empty when beyond its range.
// A number too small for a Single becomes zero of its sign.
std::optional<float> NearestSingle(const decimal::Digits& number) {
  const std::string text = decimal::ToPlainText(number);
  float value = 0.0F;
  const auto result =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (result.ec == std::errc{}) return value;
  const bool tiny = text.starts_with("0.") || text.starts_with("-0.");
  if (!tiny) return std::nullopt;
  return number.negative ? -0.0F : 0.0F;
}

float SingleOrThrow(const std::optional<decimal::Digits>& number, const Variant& source) {
  if (!number) ThrowNotConvertible(source, VarType::VT_R4);
  const auto single = NearestSingle(*number);
  if (!single) ThrowOutOfRange(source, VarType::VT_R4);
  return *single;
}

bool IsWord(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c =
        text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != word[i]) return false;
  }
  return true;
}

bool TextToBool(const Variant& v) {
  const std::string_view text = decimal::TrimBlanks(v.get<std::string>());
  if (IsWord(text, "true")) return true;
  if (IsWord(text, "false")) return false;
  const auto number = decimal::Parse(text);
  if (!number) ThrowNotConvertible(v, VarType::VT_BOOL);
  return number->digits.find_first_not_of('0') != std::string::npos;
}

}  // namespace

std::int16_t Variant::ToI2() const { return Narrow<std::int16_t>(*this, VarType::VT_I2); }

std::int32_t Variant::ToI4() const { return Narrow<std::int32_t>(*this, VarType::VT_I4); }

float Variant::ToR4() const {
  switch (type()) {
    case VarType::VT_R4: return get<float>();
    case VarType::VT_CY: return SingleOrThrow(decimal::Parse(get<Currency>().ToString()), *this);
    case VarType::VT_DATE: {
      const double value = get<OleDate>().value();
      if (!std::isfinite(value)) ThrowNotConvertible(*this, VarType::VT_R4);
      if (std::fabs(value) > std::numeric_limits<float>::max()) {
        ThrowOutOfRange(*this, VarType::VT_R4);
      }
      return static_cast<float>(value);
    }
    case VarType::VT_BSTR: return SingleOrThrow(decimal::Parse(get<std::string>()), *this);
    default:
      // Empty, integers and booleans are whole numbers well inside a Single's range.
      return static_cast<float>(WholeNumber(*this, VarType::VT_R4));
  }
}

Currency Variant::ToCurrency() const {
  switch (type()) {
    case VarType::VT_R4: return Currency::FromFloat(get<float>());
    case VarType::VT_CY: return get<Currency>();
    case VarType::VT_DATE: return Currency::FromDouble(get<OleDate>().value());
    case VarType::VT_BSTR: return Currency::Parse(get<std::string>());
    default: return Currency::FromUnits(WholeNumber(*this, VarType::VT_CY));
  }
}

bool Variant::ToBool() const {
  switch (type()) {
    case VarType::VT_EMPTY: return false;
    case VarType::VT_BOOL: return get<VariantBool>().value;
    case VarType::VT_R4:
      if (std::isnan(get<float>())) ThrowNotConvertible(*this, VarType::VT_BOOL);
      return get<float>() != 0.0F;
    case VarType::VT_DATE:
      if (std::isnan(get<OleDate>().value())) ThrowNotConvertible(*this, VarType::VT_BOOL);
      return get<OleDate>().value() != 0.0;
    case VarType::VT_CY: return get<Currency>().raw() != 0;
    case VarType::VT_BSTR: return TextToBool(*this);
    default: return WholeNumber(*this, VarType::VT_BOOL) != 0;
  }
}

}  // namespace tavirel
