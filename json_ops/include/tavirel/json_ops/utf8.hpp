#pragma once
// Well-formed UTF-8, byte by byte: the JSON writer and the command line's
// terminal escapes decide with it what passes as text.
#include <cstddef>
#include <string_view>

namespace tavirel::json_ops {

/// The length (1 to 4) of the well-formed UTF-8 sequence that begins at
/// `at`, or 0 when the bytes there are not one (a stray continuation byte,
/// an overlong form, a surrogate, a code point beyond U+10FFFF, a sequence
/// cut short). Pure; any thread.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

}  // namespace tavirel::json_ops
