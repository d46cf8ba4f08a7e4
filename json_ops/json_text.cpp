// JSON strings and values written straight into the answer.
#include <charconv>
#include <cmath>

#include "tavirel/json/escape.hpp"
#include "tavirel/json_ops/answer.hpp"
#include "tavirel/json_ops/utf8.hpp"

namespace tavirel::json_ops {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

template <typename Integer>
void AppendInteger(std::string& out, Integer value) {
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end);
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  std::size_t plain = 0;  // start of the run not yet copied
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
      ++i;
      continue;
    }
    if (c >= 0x80) {
      const std::size_t length = Utf8SequenceLength(text, i);
      if (length != 0) {
        i += length;
        continue;
      }
    }
    out.append(text.data() + plain, i - plain);
    if (c >= 0x80) {
      out += kReplacement;
    } else {
      tavirel::json::AppendEscape(out, c);
    }
    plain = ++i;
  }
  out.append(text.data() + plain, text.size() - plain);
  out += '"';
}

void AppendJsonValue(std::string& out, const Variant& value) {
  switch (value.type()) {
    case VarType::VT_I2: AppendInteger(out, value.get<std::int16_t>()); return;
    case VarType::VT_I4: AppendInteger(out, value.get<std::int32_t>()); return;
    case VarType::VT_R4:
      out += std::isfinite(value.get<float>()) ? value.ToString() : "null";
      return;
    case VarType::VT_CY: out += value.get<Currency>().ToString(); return;
    case VarType::VT_DATE:
      out += '"';
      out += value.get<OleDate>().ToIsoString();
      out += '"';
      return;
    case VarType::VT_BSTR: AppendJsonString(out, value.get<std::string>()); return;
    case VarType::VT_BOOL: out += value.get<VariantBool>().value ? "true" : "false"; return;
    case VarType::VT_EMPTY:
    case VarType::VT_VARIANT: break;
  }
  out += "null";
}

std::string JsonString(std::string_view text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

std::string JsonValue(const Variant& value) {
  std::string out;
  AppendJsonValue(out, value);
  return out;
}

}  // namespace tavirel::json_ops
