// The dispatch interface's members in slot order.
#include <algorithm>
#include <vector>

#include "ops/catalogue.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/result_record.hpp"

namespace tavirel {
namespace {

constexpr std::size_t kOperationsBeforePorts = 64;  // the three returns come last

void AddOperation(std::vector<MemberInfo>& members, const ops::Operation& op) {
  const VarType result = op.result == VarType::VT_EMPTY ? VarType::VT_VARIANT : op.result;
  members.push_back({0, op.name, MemberKind::Method, op.params, result});
}

void AddProperty(std::vector<MemberInfo>& members, std::string_view name, VarType type) {
  members.push_back({0, name, MemberKind::PropertyGet, {}, type});
  members.push_back(
      {0, name, MemberKind::PropertyPut, {{name, type, false, {}}}, VarType::VT_EMPTY});
}

std::vector<MemberInfo> MakeMembers() {
  std::vector<MemberInfo> members;
  members.push_back(
      {0,
       "GetLastErrorDescription",
       MemberKind::Method,
       {{"ErrorLevel", VarType::VT_I2, false, {}}, {"ErrorCode", VarType::VT_I4, false, {}}},
       VarType::VT_BSTR});
  const auto catalogue = ops::Catalogue();
  for (std::size_t i = 0; i < kOperationsBeforePorts; ++i) AddOperation(members, catalogue[i]);
  members.push_back({0, "PortOpen", MemberKind::Method, {}, VarType::VT_EMPTY});
  members.push_back({0, "PortClose", MemberKind::Method, {}, VarType::VT_EMPTY});
  members.push_back({0, "PortIsOpen", MemberKind::Method, {}, VarType::VT_BOOL});
  AddProperty(members, "Settings", VarType::VT_BSTR);
  AddProperty(members, "COMPort", VarType::VT_I2);
  AddProperty(members, "EuroSettings", VarType::VT_I4);
  for (const auto& prop : ResultProperties()) {
    members.push_back({0, prop.name, MemberKind::PropertyGet, {}, prop.type});
  }
  for (std::string_view name : {"Major", "Minor", "Revision"}) {
    members.push_back({0, name, MemberKind::PropertyGet, {}, VarType::VT_I2});
  }
  for (std::size_t i = kOperationsBeforePorts; i < catalogue.size(); ++i) {
    AddOperation(members, catalogue[i]);
  }
  for (std::size_t i = 0; i < members.size(); ++i) members[i].id = static_cast<std::int32_t>(i + 1);
  return members;
}

const std::vector<MemberInfo>& Table() {
  static const std::vector<MemberInfo> table = MakeMembers();
  return table;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string DefaultText(const Variant& value) {
  return value.type() == VarType::VT_BSTR ? "\"" + value.ToString() + "\"" : value.ToString();
}

}  // namespace

std::string_view KindName(MemberKind kind) {
  switch (kind) {
    case MemberKind::Method: return "method";
    case MemberKind::PropertyGet: return "propget";
    case MemberKind::PropertyPut: return "propput";
  }
  return "";
}

std::span<const MemberInfo> Members() { return Table(); }

const MemberInfo* FindMember(std::string_view name, MemberKind kind) {
  for (const auto& member : Table()) {
    if (member.name == name && member.kind == kind) return &member;
  }
  return nullptr;
}

const MemberInfo* FindMember(std::int32_t id) {
  const auto& table = Table();
  if (id < 1 || static_cast<std::size_t>(id) > table.size()) return nullptr;
  return &table[static_cast<std::size_t>(id - 1)];
}

std::vector<std::string_view> ClosestMemberNames(std::string_view name, std::size_t count) {
  std::vector<std::pair<std::size_t, std::string_view>> scored;
  const std::string wanted = Lower(name);
  for (const auto& member : Table()) {
    if (!scored.empty() && std::any_of(scored.begin(), scored.end(),
                                       [&](const auto& s) { return s.second == member.name; })) {
      continue;
    }
    scored.emplace_back(EditDistance(wanted, Lower(member.name)), member.name);
  }
  std::stable_sort(scored.begin(), scored.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string_view> names;
  for (std::size_t i = 0; i < scored.size() && i < count; ++i) names.push_back(scored[i].second);
  return names;
}

std::string Signature(const MemberInfo& member) {
  std::string text(member.name);
  if (member.kind == MemberKind::PropertyPut) text += " =";
  if (member.kind == MemberKind::Method || member.kind == MemberKind::PropertyPut) {
    text += "(";
    for (std::size_t i = 0; i < member.params.size(); ++i) {
      const ParamInfo& p = member.params[i];
      if (i > 0) text += ", ";
      std::string param = std::string(p.name) + " As " + std::string(TypeName(p.type));
      text += p.optional ? "[" + param + " = " + DefaultText(p.default_value) + "]" : param;
    }
    text += ")";
  }
  if (member.result != VarType::VT_EMPTY) text += " As " + std::string(TypeName(member.result));
  return text;
}

const MemberInfo& FPErrorEvent() {
  static const MemberInfo event{
      1,
      "FPError",
      MemberKind::Method,
      {{"ErrorLevel", VarType::VT_I2, false, {}}, {"ErrorCode", VarType::VT_I4, false, {}}},
      VarType::VT_EMPTY};
  return event;
}

std::optional<std::size_t> NominalCommandLength(std::string_view operation) {
  const ops::Operation* op = ops::FindOperation(operation);
  if (op == nullptr) return std::nullopt;
  return op->NominalLength();
}

}  // namespace tavirel
