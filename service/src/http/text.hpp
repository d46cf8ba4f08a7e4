#pragma once
// The letters of HTTP as the server reads and writes them (RFC 9110), in one
// place: tokens, field values, blanks, hexadecimal digits, and lists.
//
// Free functions without state.
#include <algorithm>
#include <string>
#include <string_view>

namespace tavirel::service::http {

/// A letter of a method or a field name (RFC 9110's tchar).
inline bool TokenCharacter(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

inline bool Token(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), TokenCharacter);
}

/// A byte of a field value: visible ASCII, a blank, or a byte above 0x7f.
inline bool FieldValueCharacter(char c) {
  const auto u = static_cast<unsigned char>(c);
  return c == '\t' || (u >= 0x20 && u != 0x7f);
}

inline bool FieldValue(std::string_view text) {
  return std::all_of(text.begin(), text.end(), FieldValueCharacter);
}

/// `text` without the blanks (SP, HTAB) around it.
inline std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

/// 0 to 15, or -1 for a byte that is not a hexadecimal digit.
inline int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/// `text` in ASCII lower case.
inline std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return out;
}

/// Calls `each` with every item of the comma-separated `list`, blanks
/// trimmed, until it returns true; true when one did.
template <typename Each>
bool AnyListItem(std::string_view list, Each each) {
  while (true) {
    const auto comma = list.find(',');
    if (each(TrimBlanks(list.substr(0, comma)))) return true;
    if (comma == std::string_view::npos) return false;
    list.remove_prefix(comma + 1);
  }
}

}  // namespace tavirel::service::http
