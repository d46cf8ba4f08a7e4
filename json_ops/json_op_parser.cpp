// A JSON OP read through the parser's events, so each number keeps its text.
#include <nlohmann/json.hpp>
#include <set>

#include "tavirel/json/number_keeping_reader.hpp"
#include "tavirel/json_ops/answer.hpp"
#include "tavirel/json_ops/op_request.hpp"

namespace tavirel::json_ops {
namespace {

using json = nlohmann::json;

// Writes the "id" value back as compact JSON text while the parser walks it,
// numbers with the text they were written with.
class IdWriter {
 public:
  void Begin() {
    text_.clear();
    firsts_.clear();
    after_key_ = false;
    active_ = true;
  }
  [[nodiscard]] bool active() const { return active_; }
  [[nodiscard]] const std::string& text() const { return text_; }

  void Scalar(std::string_view json_text) {
    Separate();
    text_ += json_text;
    EndAtTop();
  }
  void String(std::string_view value) {
    Separate();
    AppendJsonString(text_, value);
    EndAtTop();
  }
  void Open(char bracket) {
    Separate();
    text_ += bracket;
    firsts_.push_back(true);
  }
  void Key(std::string_view key) {
    Separate();
    AppendJsonString(text_, key);
    text_ += ": ";
    after_key_ = true;
  }
  void Close(char bracket) {
    text_ += bracket;
    firsts_.pop_back();
    EndAtTop();
  }

 private:
  void Separate() {
    if (after_key_) {
      after_key_ = false;
    } else if (!firsts_.empty()) {
      if (!firsts_.back()) text_ += ", ";
      firsts_.back() = false;
    }
  }
  void EndAtTop() {
    if (firsts_.empty()) active_ = false;
  }

  std::string text_;
  std::vector<bool> firsts_;  // per open array or object: nothing written in it yet
  bool after_key_ = false;
  bool active_ = false;
};

// Builds an OpRequest from the parser's events.
class OpSax {
 public:
  bool null() {
    if (id_.active()) return Id([&] { id_.Scalar("null"); });
    if (depth_ == 2) return Fail("null is not an argument; leave trailing arguments out instead");
    return Value("null");
  }
  bool boolean(bool value) {
    if (id_.active()) return Id([&] { id_.Scalar(value ? "true" : "false"); });
    return depth_ == 2 ? Push(Variant(VariantBool{value})) : Value("a boolean");
  }
  bool number_integer(std::int64_t value) { return Number(std::to_string(value)); }
  bool number_unsigned(std::uint64_t value) { return Number(std::to_string(value)); }
  bool number_float(double, const std::string& text) { return Number(text); }
  bool string(std::string& value) {
    if (id_.active()) return Id([&] { id_.String(value); });
    if (depth_ == 1 && key_ == "member") {
      member_ = value;
      return true;
    }
    return depth_ == 2 ? Push(Variant(value)) : Value("a string");
  }
  bool binary(json::binary_t&) { return Fail("binary values are not arguments"); }
  bool start_object(std::size_t) {
    if (id_.active()) return Id([&] { id_.Open('{'); });
    if (depth_ != 0) return Fail("arguments must be numbers, strings or booleans, not objects");
    depth_ = 1;
    return true;
  }
  bool key(std::string& key) {
    if (id_.active()) return Id([&] { id_.Key(key); });
    if (key != "member" && key != "args" && key != "id")
      return Fail("unknown key \"" + key + "\" (use \"member\", \"args\" and \"id\")");
    if (!keys_.insert(key).second) return Fail("the key \"" + key + "\" is given twice");
    key_ = key;
    if (key == "id") id_.Begin();
    return true;
  }
  bool end_object() {
    if (id_.active()) return Id([&] { id_.Close('}'); });
    depth_ = 0;
    return true;
  }
  bool start_array(std::size_t) {
    if (id_.active()) return Id([&] { id_.Open('['); });
    if (depth_ == 1 && key_ == "args") {
      depth_ = 2;
      return true;
    }
    return Fail(depth_ == 0 ? "an OP must be a JSON object"
                            : "\"args\" must be one array of numbers, strings or booleans");
  }
  bool end_array() {
    if (id_.active()) return Id([&] { id_.Close(']'); });
    depth_ = 1;
    return true;
  }
  bool parse_error(std::size_t, const std::string& token, const json::exception& e) {
    // A number too large for a double is a syntax error to nlohmann: say what it is.
    if (e.id == 406 && depth_ == 2) {
      return Fail("the number " + token + " is out of range (args[" + std::to_string(args_.size()) +
                  "])");
    }
    return Fail(std::string("malformed JSON: ") + e.what());
  }

  [[nodiscard]] const std::string& error() const { return error_; }
  [[nodiscard]] const std::optional<std::string>& member() const { return member_; }
  std::vector<Variant>& args() { return args_; }
  [[nodiscard]] std::optional<std::string> id() const {
    if (keys_.count("id") == 0) return std::nullopt;
    return id_.text();
  }

 private:
  template <typename Write>
  bool Id(Write write) {
    write();
    return true;
  }
  bool Number(const std::string& text) {
    if (id_.active()) return Id([&] { id_.Scalar(text); });
    if (depth_ != 2) return Value("a number");
    try {
      const bool whole = text.find_first_of(".eE") == std::string::npos;
      return Push(Variant(whole ? text : tavirel::json::KeptNumber(text, "")));
    } catch (const tavirel::json::ReadError& e) {
      return Fail(std::string(e.what()) + " (args[" + std::to_string(args_.size()) + "])");
    }
  }
  bool Push(Variant value) {
    args_.push_back(std::move(value));
    return true;
  }
  bool Value(const char* what) {
    if (depth_ == 0) return Fail("an OP must be a JSON object");
    return Fail(key_ == "member" ? std::string("\"member\" must be a string, not ") + what
                                 : std::string("\"args\" must be an array, not ") + what);
  }
  bool Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
    return false;
  }

  int depth_ = 0;  // 1 inside the OP's object, 2 inside "args"
  std::string key_;
  std::set<std::string> keys_;
  std::optional<std::string> member_;
  std::vector<Variant> args_;
  IdWriter id_;
  std::string error_;
};

}  // namespace

OpRequest ParseJsonOp(std::string_view text) {
  OpSax sax;
  const bool ok = json::sax_parse(text, &sax);
  if (!ok || !sax.error().empty()) {
    throw JsonOpError("JSON OP: " +
                      (sax.error().empty() ? std::string("malformed JSON") : sax.error()));
  }
  if (!sax.member() || sax.member()->empty()) throw JsonOpError("JSON OP: \"member\" is missing");
  return OpRequest{*sax.member(), std::move(sax.args()), sax.id()};
}

}  // namespace tavirel::json_ops
