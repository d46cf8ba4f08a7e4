#include "console_command.hpp"

#include <exception>

#include "command_words.hpp"
#include "tavirel/result_codes.hpp"
#include "tavirel/result_record.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::studio {
namespace {

std::vector<std::string> HelpLines(std::string_view name) {
  std::vector<std::string> lines;
  if (name.empty()) {
    std::string names;
    for (const MemberInfo& member : Members()) {
      if (member.kind == MemberKind::PropertyPut) continue;
      names += (names.empty() ? "" : " ") + std::string(member.name);
    }
    lines.push_back(names);
    return lines;
  }
  for (const MemberInfo& member : Members()) {
    if (member.name == name) {
      lines.push_back(std::string(KindName(member.kind)) + " " + Signature(member));
    }
  }
  if (lines.empty()) lines.push_back("errore: nessun membro si chiama " + std::string(name));
  return lines;
}

std::string ShowResult(const MemberInfo& member, const Variant& result) {
  if (result.empty()) return "= (nessun valore)";
  std::string shown = "= " + ShowValue(result);
  const bool operation = member.name.starts_with("op");
  if (operation && result.type() == VarType::VT_I2) {
    if (const auto name = ResultName(result.get<std::int16_t>()); !name.empty()) {
      shown += " (" + std::string(name) + ")";
    }
  }
  return shown;
}

std::vector<std::string> Invoked(TavirelControl& control, const std::vector<std::string>& words) {
  const std::string& name = words.front();
  std::vector<Variant> args(words.begin() + 1, words.end());
  const MemberKind kind = ChooseKind(name, args.size());
  const MemberInfo* member = FindMember(name, kind);
  const Variant result = Invoke(control, name, kind, std::move(args));
  std::vector<std::string> lines{ShowResult(*member, result)};
  if (kind == MemberKind::Method) {
    for (std::string& line : ResultValueLines(control)) lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

MemberKind ChooseKind(std::string_view name, std::size_t argument_count) {
  if (FindMember(name, MemberKind::Method)) return MemberKind::Method;
  return argument_count == 0 ? MemberKind::PropertyGet : MemberKind::PropertyPut;
}

std::vector<std::string> RunConsoleLine(TavirelControl& control, std::string_view line) {
  try {
    const std::vector<std::string> words = SplitCommandWords(line);
    if (words.empty()) return {};
    if (words.front() == "?") return HelpLines(words.size() > 1 ? words[1] : std::string());
    return Invoked(control, words);
  } catch (const std::exception& error) {
    return {"errore: " + std::string(error.what())};
  }
}

std::vector<std::string> ResultValueLines(const TavirelControl& control) {
  // The defaults as a reset record reads them: LastDate is composed from the
  // date fields, so its reading after a reset is not its stored default.
  ResultRecord reset;
  reset.ResetLastValues();
  std::vector<std::string> lines;
  for (const PropInfo& prop : ResultProperties()) {
    const Variant value = control.ResultProperty(prop.name);
    if (value != reset.Get(prop.prop)) {
      lines.push_back("  " + std::string(prop.name) + " = " + ShowValue(value));
    }
  }
  return lines;
}

std::string DescribeFPError(const TavirelControl& control, std::int16_t level, std::int32_t code) {
  std::string text =
      "FPError ErrorLevel=" + std::to_string(level) + " ErrorCode=" + std::to_string(code);
  const std::string description = control.GetLastErrorDescription(level, code);
  if (!description.empty()) text += ": " + description;
  return text;
}

std::string ShowValue(const Variant& value) {
  if (value.type() == VarType::VT_BSTR) return '"' + value.ToString() + '"';
  return value.ToString();
}

}  // namespace tavirel::studio
