#include "json_text.hpp"

#include <vector>

#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {
namespace {

using json = nlohmann::json;

// Builds the tree as nlohmann's own DOM parser does, except for floats.
class KeepNumbers {
 public:
  explicit KeepNumbers(json& root) : root_(root) {}

  bool null() { return Put(nullptr); }
  bool boolean(bool value) { return Put(value); }
  bool number_integer(json::number_integer_t value) { return Put(value); }
  bool number_unsigned(json::number_unsigned_t value) { return Put(value); }
  bool number_float(json::number_float_t, const json::string_t& text) { return Put(text); }
  bool string(json::string_t& value) { return Put(value); }
  bool binary(json::binary_t& value) { return Put(json::binary(value)); }
  bool start_object(std::size_t) {
    stack_.push_back(Put(json::object()) ? last_ : nullptr);
    return true;
  }
  bool key(json::string_t& name) {
    key_ = name;
    return true;
  }
  bool end_object() {
    stack_.pop_back();
    return true;
  }
  bool start_array(std::size_t) {
    stack_.push_back(Put(json::array()) ? last_ : nullptr);
    return true;
  }
  bool end_array() {
    stack_.pop_back();
    return true;
  }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) {
    throw DocumentError("", "not JSON at character " + std::to_string(position) + ": " + e.what());
  }

 private:
  template <typename T>
  bool Put(T&& value) {
    if (stack_.empty()) {
      root_ = json(std::forward<T>(value));
      last_ = &root_;
    } else if (stack_.back()->is_array()) {
      stack_.back()->push_back(json(std::forward<T>(value)));
      last_ = &stack_.back()->back();
    } else {
      last_ = &((*stack_.back())[key_] = json(std::forward<T>(value)));
    }
    return true;
  }

  json& root_;
  std::vector<json*> stack_;
  json* last_ = nullptr;
  std::string key_;
};

}  // namespace

nlohmann::json ReadJson(std::string_view text) {
  json root;
  KeepNumbers sax(root);
  json::sax_parse(text.begin(), text.end(), &sax);
  return root;
}

}  // namespace tavirel::documents
