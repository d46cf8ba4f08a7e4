#pragma once
// Windows-1252, the code page of the line. Strings of the C++ interface are
// UTF-8; on the line every character is one byte. A table of our own: no
// locale is consulted. Pure functions: safe from any thread.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/export.hpp"

namespace tavirel::cp1252 {

/// UTF-8 to Windows-1252 bytes. A character with no Windows-1252 byte, and
/// each byte of an invalid UTF-8 sequence, becomes "?".
TAVIREL_API std::string FromUtf8(std::string_view utf8);

/// Windows-1252 bytes to UTF-8. The five unassigned bytes (0x81, 0x8D, 0x8F,
/// 0x90, 0x9D) map to the C1 control characters of the same value.
TAVIREL_API std::string ToUtf8(std::string_view bytes);

/// FromUtf8 and ToUtf8 written over `out`, whose room is reused.
TAVIREL_API void FromUtf8(std::string_view utf8, std::string& out);
TAVIREL_API void ToUtf8(std::string_view bytes, std::string& out);

/// True when every byte is below 0x80: plain ASCII, the same text in UTF-8
/// and in Windows-1252.
TAVIREL_API bool IsAscii(std::string_view text);

/// Number of characters in a UTF-8 text (an invalid byte counts as one).
TAVIREL_API std::size_t CharCount(std::string_view utf8);

/// The characters of a UTF-8 text that FromUtf8 would send as "?" without
/// being "?": those with no Windows-1252 byte, and invalid bytes (each one
/// byte). In text order, repeats kept; views into `utf8`.
TAVIREL_API std::vector<std::string_view> CharsWithoutByte(std::string_view utf8);

/// The first `count` characters of a UTF-8 text, never splitting one.
TAVIREL_API std::string_view FirstChars(std::string_view utf8, std::size_t count);

}  // namespace tavirel::cp1252
