#pragma once
// A flat JSON object written straight into a string: for records written
// often, where building a tree of nodes first costs more than the record.
// The text is what nlohmann::json's dump() writes for the same members in
// the same order (no spaces, UTF-8 kept, control characters escaped), so
// readers cannot tell the two apart. The caller gives the members in the
// order they are to appear and strings in valid UTF-8.
#include <charconv>
#include <concepts>
#include <string>
#include <string_view>

#include "tavirel/json/escape.hpp"

namespace tavirel::documents {

class JsonObjectWriter {
 public:
  /// Appends to `out`, which must outlive the writer.
  explicit JsonObjectWriter(std::string& out) : out_(out) { out_ += '{'; }
  void Bool(std::string_view key, bool value) {
    Key(key);
    out_ += value ? "true" : "false";
  }
  template <std::integral T>
  void Number(std::string_view key, T value) {
    Key(key);
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out_.append(digits, end);
  }
  void String(std::string_view key, std::string_view value) {
    Key(key);
    Quoted(value);
  }
  /// Closes the object; nothing is to be written after.
  void End() { out_ += '}'; }

 private:
  void Key(std::string_view key) {
    if (!first_) out_ += ',';
    first_ = false;
    Quoted(key);
    out_ += ':';
  }
  void Quoted(std::string_view text) {
    out_ += '"';
    std::size_t run = 0;  // the start of the characters that need no escape
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      if (c >= 0x20 && c != '"' && c != '\\') continue;
      out_.append(text, run, i - run);
      run = i + 1;
      tavirel::json::AppendEscape(out_, c);
    }
    out_.append(text, run, text.size() - run);
    out_ += '"';
  }

  std::string& out_;
  bool first_ = true;
};

}  // namespace tavirel::documents
