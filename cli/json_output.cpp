#include "json_output.hpp"

#include <cmath>
#include <nlohmann/json.hpp>

#include "tavirel/result_codes.hpp"
#include "tavirel/result_record.hpp"

namespace tavirel::cli {
namespace {

std::string Events(const std::vector<FpEvent>& events) {
  std::string text = "[";
  for (const FpEvent& event : events) {
    if (text.size() > 1) text += ", ";
    text += "{\"ErrorLevel\": " + std::to_string(event.level) +
            ", \"ErrorCode\": " + std::to_string(event.code) + "}";
  }
  return text + "]";
}

std::string Last(const std::vector<Variant>& values) {
  const auto props = ResultProperties();
  std::string text = "{";
  for (std::size_t i = 0; i < props.size() && i < values.size(); ++i) {
    if (i > 0) text += ", ";
    text += JsonString(props[i].name) + ": " + JsonValue(values[i]);
  }
  return text + "}";
}

}  // namespace

std::string JsonString(std::string_view text) {
  return nlohmann::json(std::string(text))
      .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string JsonValue(const Variant& value) {
  switch (value.type()) {
    case VarType::VT_I2: return std::to_string(value.get<std::int16_t>());
    case VarType::VT_I4: return std::to_string(value.get<std::int32_t>());
    case VarType::VT_R4: return std::isfinite(value.get<float>()) ? value.ToString() : "null";
    case VarType::VT_CY: return value.get<Currency>().ToString();
    case VarType::VT_DATE: return JsonString(value.get<OleDate>().ToIsoString());
    case VarType::VT_BSTR: return JsonString(value.get<std::string>());
    case VarType::VT_BOOL: return value.get<VariantBool>().value ? "true" : "false";
    case VarType::VT_EMPTY:
    case VarType::VT_VARIANT: break;
  }
  return "null";
}

std::string JsonLine(const OpOutcome& outcome) {
  std::string text = "{\"member\": " + JsonString(outcome.member);
  if (!outcome.operation) return text + ", \"value\": " + JsonValue(outcome.value) + "}";
  text += ", \"result\": " + std::to_string(outcome.result);
  text += ", \"result_name\": " + JsonString(ResultName(outcome.result));
  text += ", \"command\": " + JsonString(outcome.command);
  text += ", \"events\": " + Events(outcome.events);
  text += ", \"last\": " + Last(outcome.last);
  return text + "}";
}

std::string JsonErrorLine(std::string_view member, std::string_view message) {
  return "{\"member\": " + JsonString(member) + ", \"error\": " + JsonString(message) + "}";
}

}  // namespace tavirel::cli
