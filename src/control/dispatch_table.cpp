// The dispatch interface's members in slot order: one row each.
#include <algorithm>
#include <vector>

#include "control/member_table.hpp"
#include "ops/catalogue.hpp"
#include "tavirel/result_record.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel {
namespace {

using C = TavirelControl;
using Args = const std::vector<Variant>&;
constexpr VarType I2 = VarType::VT_I2;
constexpr VarType I4 = VarType::VT_I4;
constexpr VarType STR = VarType::VT_BSTR;
constexpr VarType NONE = VarType::VT_EMPTY;

ParamInfo P(std::string_view name, VarType type) { return {name, type, false, {}}; }

struct Table {
  std::vector<MemberInfo> members;
  std::vector<MemberInvoker> invokers;  // by slot, as members
};

// Appends rows in slot order; ids follow from the position.
class Rows {
 public:
  void Method(std::string_view name, std::vector<ParamInfo> params, VarType result,
              MemberInvoker invoke) {
    Add({0, name, MemberKind::Method, std::move(params), result}, invoke);
  }
  void Get(std::string_view name, VarType type, MemberInvoker invoke) {
    Add({0, name, MemberKind::PropertyGet, {}, type}, invoke);
  }
  void Property(std::string_view name, VarType type, MemberInvoker get, MemberInvoker put) {
    Get(name, type, get);
    Add({0, name, MemberKind::PropertyPut, {P(name, type)}, NONE}, put);
  }
  /// The catalogue's operations from the next one not yet added, through `last`.
  void OperationsThrough(std::string_view last) {
    const auto catalogue = ops::Catalogue();
    while (next_operation_ < catalogue.size()) {
      const ops::Operation& op = catalogue[next_operation_++];
      Method(op.name, op.params, op.result,
             [](C& c, const MemberInfo& m, Args a) { return Variant(c.RunOperation(m.name, a)); });
      if (op.name == last) break;
    }
  }
  void RemainingOperations() { OperationsThrough({}); }
  void ResultProperties() {
    for (const auto& prop : tavirel::ResultProperties()) {
      Get(prop.name, prop.type,
          [](C& c, const MemberInfo& m, Args) { return c.ResultProperty(m.name); });
    }
  }
  Table Take() { return std::move(table_); }

 private:
  void Add(MemberInfo info, MemberInvoker invoke) {
    info.id = static_cast<std::int32_t>(table_.members.size() + 1);
    table_.members.push_back(std::move(info));
    table_.invokers.push_back(invoke);
  }
  Table table_;
  std::size_t next_operation_ = 0;
};

Variant None() { return {}; }

// The interface layout. The operations after the version properties came
// later and keep their slots after everything before them.
Table MakeTable() {
  Rows rows;
  rows.Method("GetLastErrorDescription", {P("ErrorLevel", I2), P("ErrorCode", I4)}, STR,
              [](C& c, const MemberInfo&, Args a) {
                return Variant(
                    c.GetLastErrorDescription(a[0].get<std::int16_t>(), a[1].get<std::int32_t>()));
              });
  rows.OperationsThrough("opZFiscMem");
  rows.Method("PortOpen", {}, NONE, [](C& c, const MemberInfo&, Args) {
    c.PortOpen();
    return None();
  });
  rows.Method("PortClose", {}, NONE, [](C& c, const MemberInfo&, Args) {
    c.PortClose();
    return None();
  });
  rows.Method("PortIsOpen", {}, VarType::VT_BOOL,
              [](C& c, const MemberInfo&, Args) { return Variant(VariantBool{c.PortIsOpen()}); });
  rows.Property(
      "Settings", STR, [](C& c, const MemberInfo&, Args) { return Variant(c.Settings()); },
      [](C& c, const MemberInfo&, Args a) {
        c.Settings(a[0].get<std::string>());
        return None();
      });
  rows.Property(
      "COMPort", I2, [](C& c, const MemberInfo&, Args) { return Variant(c.COMPort()); },
      [](C& c, const MemberInfo&, Args a) {
        c.COMPort(a[0].get<std::int16_t>());
        return None();
      });
  rows.Property(
      "EuroSettings", I4, [](C& c, const MemberInfo&, Args) { return Variant(c.EuroSettings()); },
      [](C& c, const MemberInfo&, Args a) {
        c.EuroSettings(a[0].get<std::int32_t>());
        return None();
      });
  rows.ResultProperties();
  rows.Get("Major", I2, [](C& c, const MemberInfo&, Args) { return Variant(c.Major()); });
  rows.Get("Minor", I2, [](C& c, const MemberInfo&, Args) { return Variant(c.Minor()); });
  rows.Get("Revision", I2, [](C& c, const MemberInfo&, Args) { return Variant(c.Revision()); });
  rows.RemainingOperations();
  return rows.Take();
}

const Table& TheTable() {
  static const Table table = MakeTable();
  return table;
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

std::span<const MemberInfo> Members() { return TheTable().members; }

const MemberInfo* FindMember(std::string_view name, MemberKind kind) {
  for (const auto& member : TheTable().members) {
    if (member.name == name && member.kind == kind) return &member;
  }
  return nullptr;
}

const MemberInfo* FindMember(std::int32_t id) {
  const auto& members = TheTable().members;
  if (id < 1 || static_cast<std::size_t>(id) > members.size()) return nullptr;
  return &members[static_cast<std::size_t>(id - 1)];
}

std::optional<MemberRow> RowOf(const MemberInfo& member) {
  const MemberInfo* ours = FindMember(member.id);
  if (ours == nullptr || ours->name != member.name || ours->kind != member.kind) {
    ours = FindMember(member.name, member.kind);
  }
  if (ours == nullptr) return std::nullopt;
  return MemberRow{ours, TheTable().invokers[static_cast<std::size_t>(ours->id - 1)]};
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

std::int32_t DispatchId(const MemberInfo& member) {
  if (member.kind != MemberKind::PropertyPut) return member.id;
  const MemberInfo* get = FindMember(member.name, MemberKind::PropertyGet);
  return get != nullptr ? get->id : member.id;
}

const MemberInfo& FPErrorEvent() {
  static const MemberInfo event{
      1, "FPError", MemberKind::Method, {P("ErrorLevel", I2), P("ErrorCode", I4)}, NONE};
  return event;
}

std::optional<std::size_t> NominalCommandLength(std::string_view operation) {
  const ops::Operation* op = ops::FindOperation(operation);
  if (op == nullptr) return std::nullopt;
  return op->NominalLength();
}

}  // namespace tavirel
