// Text fields: the argument's own characters, trimmed of spaces and fitted
// to the width by cutting or padding. Nothing is filtered or transliterated
// here; the link maps the characters to Windows-1252.
#include <string>

#include "fields/field_encoders.hpp"
#include "tavirel/cp1252.hpp"

namespace tavirel {

// Only the space character: a tab or any other character is content.
std::string_view TrimSpaces(std::string_view utf8) {
  while (!utf8.empty() && utf8.front() == ' ') utf8.remove_prefix(1);
  while (!utf8.empty() && utf8.back() == ' ') utf8.remove_suffix(1);
  return utf8;
}

std::string FormatTextField(std::string_view utf8, std::int16_t width) {
  std::string field;
  AppendTextField(field, utf8, width);
  return field;
}

void AppendTextField(std::string& out, std::string_view utf8, std::int16_t width) {
  const std::string_view text = TrimSpaces(utf8);
  const std::size_t wanted = width > 0 ? static_cast<std::size_t>(width) : 0;
  const bool ascii = cp1252::IsAscii(text);  // then a byte is a character
  const std::size_t count = ascii ? text.size() : cp1252::CharCount(text);
  if (count >= wanted) {
    out.append(ascii ? text.substr(0, wanted) : cp1252::FirstChars(text, wanted));
    return;
  }
  // Room for the text and its padding at once, the text copied over it.
  const std::size_t at = out.size();
  out.append(text.size() + (wanted - count), ' ');
  text.copy(out.data() + at, text.size());
}

}  // namespace tavirel
