// Judging a value against its field: numbers by the digits their encoder
// writes, texts by the characters the text field keeps and the line can carry.
#include "ops/field_check.hpp"

#include "fields/field_encoders.hpp"
#include "link/frame.hpp"
#include "ops/field_kinds.hpp"
#include "tavirel/cp1252.hpp"
#include "tavirel/decimal.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::ops {
namespace {

using Problems = std::vector<std::string>;

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string UnitsOf(const CommandField& field, std::int32_t euro_settings) {
  if (field.kind == FieldKind::Amount) {
    return euro_settings == TVL_EUROSETTINGS_EURO ? "euro cents" : "lire";
  }
  return std::string(KindInfo(field.kind).units);
}

std::string CurrencyWord(const CommandField& field, std::int32_t euro_settings) {
  if (field.kind != FieldKind::Amount) return field.kind == FieldKind::Percent ? " percent" : "";
  return euro_settings == TVL_EUROSETTINGS_EURO ? " euro" : " lire";
}

// The digits an encoder wrote (without sign and constant suffix) against
// the room the field has.
void JudgeDigits(const CommandField& field, std::string_view encoded, std::int32_t euro_settings,
                 Problems& problems) {
  const std::string_view name = KindInfo(field.kind).name;
  const bool negative = !encoded.empty() && encoded.front() == '-';
  if (negative) {
    problems.push_back("is negative, and the " + std::string(name) +
                       " has no sign: the register would misread the command");
    return;
  }
  const int capacity = DigitCapacity(field);
  const auto digits = static_cast<int>(encoded.size()) - KindInfo(field.kind).suffix;
  if (capacity == 0 || digits <= capacity) return;
  const std::string units = UnitsOf(field, euro_settings);
  const std::string written(encoded.substr(0, static_cast<std::size_t>(digits)));
  problems.push_back("needs " + std::to_string(digits) + " digits (" + written +
                     (units.empty() ? "" : " " + units) + "), and the " + std::string(name) +
                     " holds " + std::to_string(capacity) + ": at most " +
                     LargestValue(field, euro_settings) + CurrencyWord(field, euro_settings));
}

void JudgeNumber(const CommandField& field, const Variant& value, std::int32_t euro_settings,
                 Problems& problems) {
  std::string encoded;
  try {
    encoded = EncodeField(field, value, euro_settings);
  } catch (const ConversionError& e) {
    problems.push_back(std::string("cannot be written in the field: ") + e.what());
    return;
  }
  // No currency mode, no amount encoding: only the sign can be judged.
  if (field.kind == FieldKind::Amount && encoded.empty()) {
    if (value.get<Currency>() < Currency()) encoded = "-";
  }
  JudgeDigits(field, encoded, euro_settings, problems);
}

// Characters the line would carry as "?": no Windows-1252 byte, invalid
// UTF-8, or one of the line's own frame characters.
void JudgeCharacters(std::string_view text, Problems& problems) {
  std::vector<std::string_view> lost = cp1252::CharsWithoutByte(text);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == link::kSTX || c == link::kETX || c == link::kACK) lost.push_back(text.substr(i, 1));
  }
  if (lost.empty()) return;
  std::string listed;
  for (std::string_view character : lost) {
    if (!listed.empty()) listed += ", ";
    const auto byte = static_cast<unsigned char>(character.front());
    const bool printable = character.size() > 1 || (byte >= 0x20 && byte < 0x7F);
    listed += printable ? Quoted(character) : "byte " + std::to_string(byte);
  }
  problems.push_back("holds characters with no Windows-1252 byte, sent as \"?\": " + listed);
}

void JudgeText(const CommandField& field, const std::string& text, Problems& problems) {
  const std::string_view kept = TrimSpaces(text);
  const std::size_t count = cp1252::CharCount(kept);
  const auto width = static_cast<std::size_t>(field.width);
  if (count > width) {
    problems.push_back("is " + std::to_string(count) + " characters, and the text field holds " +
                       std::to_string(width) + ": it would be cut to " +
                       Quoted(cp1252::FirstChars(kept, width)));
  }
  JudgeCharacters(text, problems);
}

void JudgeUnitOfMeasure(const CommandField& field, const std::string& text, Problems& problems) {
  const std::string encoded = FormatUnitOfMeasureField(text);
  if (decimal::Parse(text)) {
    JudgeDigits(field, encoded, 0, problems);
    return;
  }
  const std::size_t count = cp1252::CharCount(encoded);
  if (count != 2) {
    problems.push_back("is " + std::to_string(count) +
                       " characters, and the unit-of-measure field takes exactly 2 (or a "
                       "number from 0 to 99)");
  }
  JudgeCharacters(text, problems);
}

}  // namespace

std::vector<std::string> FieldProblems(const CommandField& field, const Variant& value,
                                       std::int32_t euro_settings) {
  Problems problems;
  if (field.arg < 0) return problems;
  switch (field.kind) {
    case FieldKind::Text: JudgeText(field, value.get<std::string>(), problems); break;
    case FieldKind::UnitOfMeasure:
      JudgeUnitOfMeasure(field, value.get<std::string>(), problems);
      break;
    case FieldKind::UnitQty: break;
    default: JudgeNumber(field, value, euro_settings, problems); break;
  }
  return problems;
}

}  // namespace tavirel::ops
