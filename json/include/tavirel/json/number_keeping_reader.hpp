#pragma once
// The one JSON reader for what our users write (documents, OPs): a number
// with a fraction or an exponent keeps the digits it was written with, as
// plain decimal text ("1.50" stays "1.50", 1.5e0 becomes "1.5"), never a
// binary double; whole numbers stay numbers. A problem is reported with the
// path of the value at fault ("lines[0].price").
//
// Header-only (the documents and the JSON OP codec each compile it in).
// Free functions and a reader object per call: safe from any thread.
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tavirel/decimal.hpp"

namespace tavirel::json {

/// Text that is not JSON, or a number out of every field's range. `where()`
/// is the path of the value at fault ("" for the whole text).
class ReadError : public std::runtime_error {
 public:
  ReadError(std::string where, const std::string& message)
      : std::runtime_error(message), where_(std::move(where)) {}
  [[nodiscard]] const std::string& where() const noexcept { return where_; }

 private:
  std::string where_;
};

/// A JSON number's token (with a fraction or an exponent) as plain decimal
/// text with its digits as written. Throws ReadError naming `where` when it
/// is out of range.
inline std::string KeptNumber(std::string_view token, const std::string& where) {
  auto plain = decimal::JsonNumberAsWritten(token);
  if (!plain) throw ReadError(where, "the number " + std::string(token) + " is out of range");
  return std::move(*plain);
}

namespace detail {

// Builds the tree as nlohmann's own DOM parser does, except for numbers
// with a fraction or an exponent, and knows the path of every value.
class KeepNumbers {
 public:
  using json = nlohmann::json;
  explicit KeepNumbers(json& root) : root_(root) {}

  bool null() { return Put(nullptr); }
  bool boolean(bool value) { return Put(value); }
  bool number_integer(json::number_integer_t value) { return Put(value); }
  bool number_unsigned(json::number_unsigned_t value) { return Put(value); }
  bool number_float(json::number_float_t, const json::string_t& text) {
    return Put(KeptNumber(text, Here()));
  }
  bool string(json::string_t& value) { return Put(std::move(value)); }
  bool binary(json::binary_t& value) { return Put(json::binary(std::move(value))); }
  bool start_object(std::size_t) { return Open(json::object()); }
  bool key(json::string_t& name) {
    key_ = std::move(name);
    return true;
  }
  bool end_object() { return Close(); }
  bool start_array(std::size_t) { return Open(json::array()); }
  bool end_array() { return Close(); }
  bool parse_error(std::size_t position, const std::string& token,
                   const nlohmann::detail::exception& e) {
    // nlohmann reads a number too large for a double as a syntax error.
    if (e.id == 406) {
      throw ReadError(Here(), "the number " + token + " is out of range");
    }
    throw ReadError("", "not JSON at character " + std::to_string(position) + ": " + e.what());
  }

 private:
  struct Level {
    json* container;
    std::string path;
  };

  // The path of the value about to be put.
  [[nodiscard]] std::string Here() const {
    if (stack_.empty()) return "";
    const Level& level = stack_.back();
    if (level.container->is_array()) {
      return level.path + "[" + std::to_string(level.container->size()) + "]";
    }
    return level.path.empty() ? key_ : level.path + "." + key_;
  }

  template <typename T>
  bool Put(T&& value) {
    if (stack_.empty()) {
      root_ = json(std::forward<T>(value));
      last_ = &root_;
    } else if (stack_.back().container->is_array()) {
      stack_.back().container->push_back(json(std::forward<T>(value)));
      last_ = &stack_.back().container->back();
    } else {
      last_ = &((*stack_.back().container)[key_] = json(std::forward<T>(value)));
    }
    return true;
  }
  bool Open(json&& empty) {
    std::string path = Here();
    Put(std::move(empty));
    stack_.push_back({last_, std::move(path)});
    return true;
  }
  bool Close() {
    stack_.pop_back();
    return true;
  }

  json& root_;
  std::vector<Level> stack_;
  json* last_ = nullptr;
  std::string key_;
};

}  // namespace detail

/// Parses `text`, keeping numbers as described above. Throws ReadError.
inline nlohmann::json ReadKeepingNumbers(std::string_view text) {
  nlohmann::json root;
  detail::KeepNumbers sax(root);
  nlohmann::json::sax_parse(text.begin(), text.end(), &sax);
  return root;
}

}  // namespace tavirel::json
