#pragma once
// The escape of one character that a JSON string cannot hold as it is (a
// quote, a backslash, a control character), as nlohmann::json's dump writes
// it: the short forms where JSON has them, \u00xx in lower case otherwise.
// Shared by the writers that build JSON text without a tree of nodes.
#include <string>

namespace tavirel::json {

/// Appends the escape of `c`, which is '"', '\\' or below 0x20.
inline void AppendEscape(std::string& out, unsigned char c) {
  switch (c) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\b': out += "\\b"; return;
    case '\f': out += "\\f"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
  out.append(escape, sizeof escape);
}

}  // namespace tavirel::json
