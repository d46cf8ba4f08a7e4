// Conversion of Variant to Date. Numbers are days since 30 December 1899;
// a text is a date in the form ToString writes: "YYYY-MM-DD", optionally
// followed by "T" or a blank and "HH:MM" or "HH:MM:SS".
#include <optional>

#include "tavirel/decimal.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/variant.hpp"
#include "types/variant_detail.hpp"

namespace tavirel {
namespace {

using variant_detail::ThrowNotConvertible;

// Reads exactly `width` digits at `pos` and moves past them.
std::optional<int> ReadDigits(std::string_view text, std::size_t& pos, std::size_t width) {
  if (pos + width > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  pos += width;
  return value;
}

bool ReadChar(std::string_view text, std::size_t& pos, std::string_view allowed) {
  if (pos >= text.size() || allowed.find(text[pos]) == std::string_view::npos) return false;
  ++pos;
  return true;
}

std::optional<DateParts> ParseIsoDate(std::string_view text) {
  std::size_t pos = 0;
  DateParts parts;
  const auto year = ReadDigits(text, pos, 4);
  const auto month = ReadChar(text, pos, "-") ? ReadDigits(text, pos, 2) : std::nullopt;
  const auto day = ReadChar(text, pos, "-") ? ReadDigits(text, pos, 2) : std::nullopt;
  if (!year || !month || !day) return std::nullopt;
  parts = {*year, *month, *day, 0, 0, 0};
  if (pos == text.size()) return parts;
  const auto hour = ReadChar(text, pos, "T ") ? ReadDigits(text, pos, 2) : std::nullopt;
  const auto minute = ReadChar(text, pos, ":") ? ReadDigits(text, pos, 2) : std::nullopt;
  if (!hour || !minute) return std::nullopt;
  parts.hour = *hour;
  parts.minute = *minute;
  if (pos == text.size()) return parts;
  const auto second = ReadChar(text, pos, ":") ? ReadDigits(text, pos, 2) : std::nullopt;
  if (!second || pos != text.size()) return std::nullopt;
  parts.second = *second;
  return parts;
}

bool InRanges(const DateParts& p) {
  return p.year >= 100 && p.month >= 1 && p.month <= 12 && p.day >= 1 && p.day <= 31 &&
         p.hour < 24 && p.minute < 60 && p.second < 60;
}

// A text date must name a real calendar moment: no carrying here.
OleDate TextToDate(const Variant& v) {
  const auto parts = ParseIsoDate(decimal::TrimBlanks(v.get<std::string>()));
  if (!parts || !InRanges(*parts)) ThrowNotConvertible(v, VarType::VT_DATE);
  const OleDate date = OleDate::FromParts(parts->year, parts->month, parts->day, parts->hour,
                                          parts->minute, parts->second);
  // A 31st of a shorter month would have carried: the round trip shows it.
  if (date.Parts() != *parts) ThrowNotConvertible(v, VarType::VT_DATE);
  return date;
}

// A number is a date when it lies in the Date range; Parts() says so.
OleDate CheckedDate(double days) {
  const OleDate date(days);
  static_cast<void>(date.Parts());
  return date;
}

}  // namespace

OleDate Variant::ToDate() const {
  switch (type()) {
    case VarType::VT_EMPTY: return OleDate();
    case VarType::VT_I2: return CheckedDate(get<std::int16_t>());
    case VarType::VT_I4: return CheckedDate(get<std::int32_t>());
    case VarType::VT_R4: return CheckedDate(static_cast<double>(get<float>()));
    case VarType::VT_CY: return CheckedDate(get<Currency>().ToDouble());
    case VarType::VT_DATE: return get<OleDate>();
    case VarType::VT_BSTR: return TextToDate(*this);
    case VarType::VT_BOOL: return OleDate(get<VariantBool>().value ? -1.0 : 0.0);
    case VarType::VT_VARIANT: break;  // a stored value always has a concrete type
  }
  ThrowNotConvertible(*this, VarType::VT_DATE);
}

}  // namespace tavirel
