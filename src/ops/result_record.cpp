// The result record: defaults, reset and the composed LastDate.
#include "tavirel/result_record.hpp"

#include <algorithm>
#include <vector>

namespace tavirel {
namespace {

Variant ZeroOf(VarType type) {
  switch (type) {
    case VarType::VT_I2: return Variant(std::int16_t{0});
    case VarType::VT_I4: return Variant(std::int32_t{0});
    case VarType::VT_R4: return Variant(0.0f);
    case VarType::VT_CY: return Variant(Currency());
    case VarType::VT_DATE: return Variant(OleDate());
    case VarType::VT_BSTR: return Variant(std::string());
    case VarType::VT_BOOL: return Variant(VariantBool{});
    case VarType::VT_EMPTY:
    case VarType::VT_VARIANT: break;
  }
  return {};
}

// What ResetLastValues stores where it is not zero.
Variant DefaultOf(Prop prop, VarType type) {
  switch (prop) {
    case Prop::LastEERR: return Variant(std::int16_t{-2});
    case Prop::LastCodProd: return Variant(std::string(40, '0'));
    case Prop::LastDescReparto:
    case Prop::LastDescCartaCC:
    case Prop::LastDescTicket:
    case Prop::LastDescOpr: return Variant(std::string(20, '0'));
    case Prop::LastUMFattura: return Variant(std::string("00"));
    default: return ZeroOf(type);
  }
}

std::vector<PropInfo> MakeTable() {
  std::vector<PropInfo> table;
#define TAVIREL_PROP_ROW(name, type, vt) \
  table.push_back({Prop::name, #name, VarType::vt, DefaultOf(Prop::name, VarType::vt)});
  TAVIREL_RESULT_PROPERTIES(TAVIREL_PROP_ROW)
#undef TAVIREL_PROP_ROW
  return table;
}

const std::vector<PropInfo>& Table() {
  static const std::vector<PropInfo> table = MakeTable();
  return table;
}

std::size_t Index(Prop prop) { return static_cast<std::size_t>(prop); }

std::int16_t ShortOf(const Variant& v) { return v.get<std::int16_t>(); }

}  // namespace

std::span<const PropInfo> ResultProperties() { return Table(); }

const PropInfo* FindResultProperty(std::string_view name) {
  const auto& table = Table();
  auto it = std::find_if(table.begin(), table.end(),
                         [&](const PropInfo& info) { return info.name == name; });
  return it == table.end() ? nullptr : &*it;
}

ResultRecord::ResultRecord() {
  static_assert(static_cast<std::size_t>(Prop::LastMatrFisc) + 1 == kResultPropertyCount);
  for (const auto& info : Table()) values_[Index(info.prop)] = ZeroOf(info.type);
}

// A reset marks the values stored since the last one instead of copying
// the defaults over them: most are stored again by the next reply before
// anyone reads them, and a read of a marked one gives the default.
void ResultRecord::ResetLastValues() {
  reset_ |= changed_;
  changed_ = 0;
}

const Variant& ResultRecord::DefaultValue(Prop prop) { return Table()[Index(prop)].default_value; }

Variant ResultRecord::Get(Prop prop) const {
  if (prop == Prop::LastDate) return ComposeLastDate();
  return Value(prop);
}

std::string& ResultRecord::TextToWrite(Prop prop) {
  Variant& value = values_[Index(prop)];
  if ((reset_ & Bit(prop)) != 0) value = DefaultValue(prop);  // what is written over; room kept
  Stored(prop);
  return value.TextToWrite();
}

OleDate ResultRecord::ComposeLastDate() const {
  const int two_digit_year = ShortOf(Value(Prop::LastAA));
  const int year = two_digit_year < 30 ? 2000 + two_digit_year : 1900 + two_digit_year;
  return OleDate::FromParts(year, ShortOf(Value(Prop::LastMM)), ShortOf(Value(Prop::LastGG)),
                            ShortOf(Value(Prop::LastHH)), ShortOf(Value(Prop::LastMin)));
}

}  // namespace tavirel
