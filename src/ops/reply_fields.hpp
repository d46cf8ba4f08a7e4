#pragma once
// Reading the fields of a reply payload.
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "tavirel/currency.hpp"

namespace tavirel::ops {

/// The payload of a reply frame: characters 5 to L-3 when L > 7, else empty.
std::string_view ReplyData(std::string_view reply);

/// Whether the `sizeof(Word)` (4 or 8) characters at `p` are all digits, and
/// if so their value: read as one little-endian word, a byte a digit,
/// combined in pairs, then fours, then eights, rather than a multiplication
/// a digit. Only where the native order is little-endian.
template <typename Word>
inline bool ReadDigitWord(const char* p, std::uint64_t& value) {
  constexpr auto kEach = static_cast<Word>(0x0101010101010101);  // 1 in every byte
  constexpr Word kHigh = kEach * 0xF0;
  Word word;
  std::memcpy(&word, p, sizeof word);
  // A digit's high half is 3, and adding 6 to its low half carries into
  // nothing: together they tell 0x30-0x39 from every other byte.
  if ((word & kHigh) != kEach * 0x30 || ((word + kEach * 6) & kHigh) != kEach * 0x30) return false;
  word -= kEach * '0';  // each byte its digit, the first one lowest
  word = (word * 10 + (word >> 8)) & static_cast<Word>(0x00FF00FF00FF00FF);
  word = (word * 100 + (word >> 16)) & static_cast<Word>(0x0000FFFF0000FFFF);
  if constexpr (sizeof word == 8) word = (word * 10000 + (word >> 32)) & 0xFFFFFFFF;
  value = word;
  return true;
}

/// A field of digits alone, as registers send them, read in one pass; false
/// when it holds anything else (or is too long to read without a check).
/// Inline: the decoders read most fields with it.
inline bool ReadPlainDigits(std::string_view field, std::int64_t& value) {
  if (field.empty() || field.size() > 18) return false;
  std::uint64_t read = 0;
  const char* p = field.data();
  const char* const end = p + field.size();
  if constexpr (std::endian::native == std::endian::little) {
    std::uint64_t word = 0;
    if (end - p >= 8) {  // at most two words of eight: a field has 18 digits at most
      if (!ReadDigitWord<std::uint64_t>(p, word)) return false;
      read = word;
      p += 8;
      if (end - p >= 8) {
        if (!ReadDigitWord<std::uint64_t>(p, word)) return false;
        read = read * 100000000 + word;
        p += 8;
      }
    }
    if (end - p >= 4) {
      if (!ReadDigitWord<std::uint32_t>(p, word)) return false;
      read = read * 10000 + word;
      p += 4;
    }
  }
  for (; p != end; ++p) {
    const auto digit = static_cast<unsigned char>(*p - '0');
    if (digit > 9) return false;
    read = read * 10 + digit;
  }
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
