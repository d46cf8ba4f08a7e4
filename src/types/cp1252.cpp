#include "tavirel/cp1252.hpp"

#include <array>
#include <cstdint>

#include "types/byte_scan.hpp"

namespace tavirel::cp1252 {
namespace {

// Code points of bytes 0x80 to 0x9F. The five unassigned bytes keep the C1
// control character of their own value, so that every byte survives a round trip.
constexpr std::array<char32_t, 32> kHighControls = {
    U'\u20AC', U'\u0081', U'\u201A', U'\u0192', U'\u201E', U'\u2026', U'\u2020', U'\u2021',
    U'\u02C6', U'\u2030', U'\u0160', U'\u2039', U'\u0152', U'\u008D', U'\u017D', U'\u008F',
    U'\u0090', U'\u2018', U'\u2019', U'\u201C', U'\u201D', U'\u2022', U'\u2013', U'\u2014',
    U'\u02DC', U'\u2122', U'\u0161', U'\u203A', U'\u0153', U'\u009D', U'\u017E', U'\u0178',
};

constexpr char kReplacement = '?';
constexpr char32_t kInvalid = 0xFFFF'FFFF;

char32_t CodePointOf(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : char32_t{byte};
}

// The byte of a code point, or the replacement when Windows-1252 has none.
char ByteOf(char32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
    return static_cast<char>(code_point);
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == code_point) return static_cast<char>(0x80 + i);
  }
  return kReplacement;
}

struct Decoded {
  char32_t code_point;  // kInvalid for a byte that starts no valid sequence
  std::size_t length;
};

struct LeadByte {
  std::size_t length;
  char32_t bits;
  unsigned char second_low;   // range of the second byte, which rules out
  unsigned char second_high;  // overlongs, surrogates and code points past U+10FFFF
};

bool IsLead(unsigned char byte, LeadByte& lead) {
  if (byte >= 0xC2 && byte <= 0xDF)
    lead = {2, byte & 0x1Fu, 0x80, 0xBF};
  else if (byte == 0xE0)
    lead = {3, 0, 0xA0, 0xBF};
  else if (byte == 0xED)
    lead = {3, 0x0D, 0x80, 0x9F};
  else if (byte >= 0xE1 && byte <= 0xEF)
    lead = {3, byte & 0x0Fu, 0x80, 0xBF};
  else if (byte == 0xF0)
    lead = {4, 0, 0x90, 0xBF};
  else if (byte >= 0xF1 && byte <= 0xF3)
    lead = {4, byte & 0x07u, 0x80, 0xBF};
  else if (byte == 0xF4)
    lead = {4, 0x04, 0x80, 0x8F};
  else
    return false;
  return true;
}

// One character at `pos`: a valid sequence whole, or a single invalid byte.
Decoded DecodeAt(std::string_view text, std::size_t pos) {
  const auto byte = static_cast<unsigned char>(text[pos]);
  if (byte < 0x80) return {byte, 1};
  LeadByte lead{};
  if (!IsLead(byte, lead) || pos + lead.length > text.size()) return {kInvalid, 1};
  char32_t code_point = lead.bits;
  for (std::size_t i = 1; i < lead.length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    const unsigned char low = i == 1 ? lead.second_low : 0x80;
    const unsigned char high = i == 1 ? lead.second_high : 0xBF;
    if (next < low || next > high) return {kInvalid, 1};
    code_point = (code_point << 6) | (next & 0x3Fu);
  }
  return {code_point, lead.length};
}

void AppendUtf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    // Every code point of the table lies below U+10000.
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

}  // namespace

// Plain ASCII is the same in UTF-8 and in Windows-1252: most commands and
// replies are digits, so they skip the conversion.
bool IsAscii(std::string_view text) { return bytes::AllBelow(text, 0x80); }

std::string FromUtf8(std::string_view utf8) {
  std::string bytes;
  FromUtf8(utf8, bytes);
  return bytes;
}

void FromUtf8(std::string_view utf8, std::string& out) {
  if (IsAscii(utf8)) {
    out.assign(utf8);  // the same bytes either way
    return;
  }
  out.clear();
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const Decoded decoded = DecodeAt(utf8, pos);
    out += decoded.code_point == kInvalid ? kReplacement : ByteOf(decoded.code_point);
    pos += decoded.length;
  }
}

std::string ToUtf8(std::string_view bytes) {
  std::string utf8;
  ToUtf8(bytes, utf8);
  return utf8;
}

void ToUtf8(std::string_view bytes, std::string& out) {
  if (IsAscii(bytes)) {
    out.assign(bytes);
    return;
  }
  out.clear();
  out.reserve(bytes.size() * 2);
  for (const char byte : bytes) AppendUtf8(out, CodePointOf(static_cast<unsigned char>(byte)));
}

std::size_t CharCount(std::string_view utf8) {
  if (IsAscii(utf8)) return utf8.size();  // a byte a character
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < utf8.size(); ++count) pos += DecodeAt(utf8, pos).length;
  return count;
}

std::vector<std::string_view> CharsWithoutByte(std::string_view utf8) {
  std::vector<std::string_view> missing;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const Decoded decoded = DecodeAt(utf8, pos);
    if (decoded.code_point == kInvalid || ByteOf(decoded.code_point) == kReplacement) {
      if (decoded.code_point != U'?') missing.push_back(utf8.substr(pos, decoded.length));
    }
    pos += decoded.length;
  }
  return missing;
}

std::string_view FirstChars(std::string_view utf8, std::size_t count) {
  if (IsAscii(utf8)) return utf8.substr(0, count);
  std::size_t pos = 0;
  for (std::size_t taken = 0; taken < count && pos < utf8.size(); ++taken) {
    pos += DecodeAt(utf8, pos).length;
  }
  return utf8.substr(0, pos);
}

}  // namespace tavirel::cp1252
