#pragma once
// A caller's text inside an error message: in double quotes, with control
// bytes escaped so that a message never carries them raw.
#include <cstdio>
#include <string>
#include <string_view>

namespace tavirel::port {

inline std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      if (c == '"' || c == '\\') out += '\\';
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace tavirel::port
