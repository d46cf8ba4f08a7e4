#include "terminal_text.hpp"

#include "tavirel/json_ops/utf8.hpp"

namespace tavirel::cli {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendHex(std::string& out, const char* prefix, unsigned char c) {
  out += prefix;
  out += kHex[c >> 4];
  out += kHex[c & 0xF];
}

// Appends `text` escaped; `quote` also escapes '"' and '\'.
void AppendSafe(std::string& out, std::string_view text, bool quote) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      AppendHex(out, "\\x", c);
      ++i;
    } else if (quote && (c == '"' || c == '\\')) {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else if (const std::size_t length = json_ops::Utf8SequenceLength(text, i); length == 0) {
      AppendHex(out, "\\x", c);
      ++i;
    } else if (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      AppendHex(out, "\\u00", static_cast<unsigned char>(text[i + 1]));  // a C1 control
      i += 2;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
}

}  // namespace

std::string TerminalSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendSafe(out, text, false);
  return out;
}

std::string QuotedText(std::string_view text) {
  std::string out = "\"";
  AppendSafe(out, text, true);
  return out + "\"";
}

}  // namespace tavirel::cli
