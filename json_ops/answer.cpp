// The answer object, appended piece by piece: the property names are quoted
// once for the life of the program, numbers are appended as they are.
#include "tavirel/json_ops/answer.hpp"

#include <array>
#include <charconv>

#include "tavirel/result_codes.hpp"
#include "tavirel/result_record.hpp"

namespace tavirel::json_ops {
namespace {

// "{\"LastEERR\": ", ", \"LastOP\": ", ...: what precedes each value of "last".
const std::array<std::string, kResultPropertyCount>& LastKeys() {
  static const std::array<std::string, kResultPropertyCount> keys = [] {
    std::array<std::string, kResultPropertyCount> made;
    const auto props = ResultProperties();
    for (std::size_t i = 0; i < made.size(); ++i) {
      made[i] = (i == 0 ? "{" : ", ") + JsonString(props[i].name) + ": ";
    }
    return made;
  }();
  return keys;
}

void AppendInteger(std::string& out, std::int32_t value) {
  char digits[16];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end);
}

void AppendEvents(std::string& out, const std::vector<FpEvent>& events) {
  out += '[';
  for (std::size_t i = 0; i < events.size(); ++i) {
    out += i == 0 ? "{\"ErrorLevel\": " : ", {\"ErrorLevel\": ";
    AppendInteger(out, events[i].level);
    out += ", \"ErrorCode\": ";
    AppendInteger(out, events[i].code);
    out += '}';
  }
  out += ']';
}

void AppendLast(std::string& out, const std::vector<Variant>& values) {
  const auto& keys = LastKeys();
  if (values.empty()) {
    out += "{}";
    return;
  }
  for (std::size_t i = 0; i < keys.size() && i < values.size(); ++i) {
    out += keys[i];
    AppendJsonValue(out, values[i]);
  }
  out += '}';
}

void AppendHead(std::string& out, std::string_view member, const std::optional<std::string>& id) {
  out += '{';
  if (id) {
    out += "\"id\": ";
    out += *id;
    out += ", ";
  }
  out += "\"member\": ";
  AppendJsonString(out, member);
}

}  // namespace

void AppendAnswer(std::string& out, const OpOutcome& outcome,
                  const std::optional<std::string>& id) {
  AppendHead(out, outcome.member, id);
  if (!outcome.operation) {
    out += ", \"value\": ";
    AppendJsonValue(out, outcome.value);
    out += '}';
    return;
  }
  out += ", \"result\": ";
  AppendInteger(out, outcome.result);
  out += ", \"result_name\": ";
  AppendJsonString(out, ResultName(outcome.result));
  if (outcome.result != OP_OK) {
    out += ", \"error_text\": ";
    AppendJsonString(out, outcome.description);
  }
  out += ", \"command\": ";
  AppendJsonString(out, outcome.command);
  out += ", \"events\": ";
  AppendEvents(out, outcome.events);
  out += ", \"last\": ";
  AppendLast(out, outcome.last);
  out += '}';
}

std::string Answer(const OpOutcome& outcome, const std::optional<std::string>& id) {
  std::string out;
  out.reserve(2048);
  AppendAnswer(out, outcome, id);
  return out;
}

std::string ErrorAnswer(std::string_view member, std::string_view message,
                        const std::optional<std::string>& id) {
  std::string out;
  AppendHead(out, member, id);
  out += ", \"error\": ";
  AppendJsonString(out, message);
  out += '}';
  return out;
}

}  // namespace tavirel::json_ops
