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

/// A field of decimal digits, blanks before or after tolerated, an optional
/// sign in front of the digits. Empty when it does not read as a number or
/// does not fit 64 bits.
std::optional<std::int64_t> ReadInteger(std::string_view field);

/// A fixed-point field with `decimals` decimals: the integer part is the
/// first n-d characters, the fraction the last d; a minus sign applies to the
/// whole value. Empty when either part does not read as a number.
std::optional<float> TryParseDecimalField(std::string_view field, int decimals);

/// As TryParseDecimalField; throws ConversionError when it does not read.
float ParseDecimalField(std::string_view field, std::int16_t decimals);

}  // namespace tavirel::ops
