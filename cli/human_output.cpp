#include "human_output.hpp"

#include "tavirel/result_codes.hpp"
#include "tavirel/result_record.hpp"
#include "terminal_text.hpp"

namespace tavirel::cli {
namespace {

// What a reset leaves, read as a getter reads it (LastDate composed).
std::vector<Variant> ResetValues() {
  ResultRecord record;
  record.ResetLastValues();
  std::vector<Variant> values;
  for (const PropInfo& prop : ResultProperties()) values.push_back(record.Get(prop.prop));
  return values;
}

std::string ResultText(const OpOutcome& outcome) {
  std::string text =
      std::string(ResultName(outcome.result)) + " (" + std::to_string(outcome.result) + ")";
  if (outcome.result == EERR) {
    const Variant& eerr = outcome.last.empty() ? Variant() : outcome.last.front();
    text += " printer error " + eerr.ToString();
  }
  if (!outcome.description.empty()) text += " \"" + outcome.description + "\"";
  return text;
}

}  // namespace

std::string HumanValue(const Variant& value) {
  if (value.type() == VarType::VT_BSTR) return QuotedText(value.get<std::string>());
  return value.ToString();
}

std::vector<std::string> ChangedValues(const std::vector<Variant>& last) {
  static const std::vector<Variant> defaults = ResetValues();
  const auto props = ResultProperties();
  std::vector<std::string> changed;
  for (std::size_t i = 0; i < last.size() && i < props.size(); ++i) {
    if (!(last[i] == defaults[i]))
      changed.push_back(std::string(props[i].name) + "=" + HumanValue(last[i]));
  }
  return changed;
}

std::string HumanLine(const OpOutcome& outcome) {
  if (!outcome.operation) {
    if (outcome.kind == MemberKind::PropertyPut)
      return outcome.member + " := " + HumanValue(outcome.value);
    if (outcome.value.empty()) return outcome.member + " done";
    return outcome.member + " = " + HumanValue(outcome.value);
  }
  std::string line = outcome.member + ": " + ResultText(outcome);
  const std::vector<std::string> changed = ChangedValues(outcome.last);
  if (!changed.empty()) line += " ";
  for (const std::string& value : changed) line += " " + value;
  return line;
}

}  // namespace tavirel::cli
