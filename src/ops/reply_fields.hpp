#pragma once
// Reading the fields of a reply payload.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tavirel/currency.hpp"

namespace tavirel::ops {

/// The payload of a reply frame: characters 5 to L-3 when L > 7, else empty.
std::string_view ReplyData(std::string_view reply);

/// A field of digits alone, as registers send them, read in one pass; false
/// when it holds anything else (or is too long to read without a check).
/// Inline: the decoders read most fields with it.
inline bool ReadPlainDigits(std::string_view field, std::int64_t& value) {
  if (field.empty() || field.size() > 18) return false;
  std::uint64_t read = 0;
  const char* p = field.data();
  const char* const end = p + field.size();
  do {
    const auto digit = static_cast<unsigned char>(*p - '0');
    if (digit > 9) return false;
    read = read * 10 + digit;
  } while (++p != end);
  value = static_cast<std::int64_t>(read);
  return true;
}

/// ReadInteger for a field that is not digits alone.
std::optional<std::int64_t> ReadSignedInteger(std::string_view field);

/// A field of decimal digits, blanks before or after tolerated, an optional
/// sign in front of the digits. Empty when it does not read as a number or
/// does not fit 64 bits.
inline std::optional<std::int64_t> ReadInteger(std::string_view field) {
  if (std::int64_t value = 0; ReadPlainDigits(field, value)) return value;
  return ReadSignedInteger(field);
}

/// A fixed-point field with `decimals` decimals: the integer part is the
/// first n-d characters, the fraction the last d; a minus sign applies to the
/// whole value. Empty when either part does not read as a number.
std::optional<float> TryParseDecimalField(std::string_view field, int decimals);

/// As TryParseDecimalField; throws ConversionError when it does not read.
float ParseDecimalField(std::string_view field, std::int16_t decimals);

}  // namespace tavirel::ops
