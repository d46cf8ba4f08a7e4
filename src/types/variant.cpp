#include "tavirel/variant.hpp"

#include <array>

#include "tavirel/decimal.hpp"
#include "tavirel/errors.hpp"
#include "types/variant_detail.hpp"

namespace tavirel {
namespace {

// The type of each alternative, in the order of the stored std::variant.
constexpr std::array<VarType, 8> kTypeOfIndex = {
    VarType::VT_EMPTY, VarType::VT_I2,   VarType::VT_I4,   VarType::VT_R4,
    VarType::VT_CY,    VarType::VT_DATE, VarType::VT_BSTR, VarType::VT_BOOL,
};

struct TypeNameRow {
  VarType type;
  std::string_view name;
};

constexpr std::array<TypeNameRow, 9> kTypeNames = {{
    {VarType::VT_EMPTY, "Empty"},
    {VarType::VT_I2, "Integer"},
    {VarType::VT_I4, "Long"},
    {VarType::VT_R4, "Single"},
    {VarType::VT_CY, "Currency"},
    {VarType::VT_DATE, "Date"},
    {VarType::VT_BSTR, "String"},
    {VarType::VT_BOOL, "Boolean"},
    {VarType::VT_VARIANT, "Variant"},
}};

}  // namespace

std::string_view TypeName(VarType type) {
  for (const auto& row : kTypeNames) {
    if (row.type == type) return row.name;
  }
  return "Unknown";
}

namespace variant_detail {

std::string Describe(const Variant& value) {
  const std::string name(TypeName(value.type()));
  switch (value.type()) {
    case VarType::VT_EMPTY: return name;
    case VarType::VT_BSTR: return name + " \"" + value.get<std::string>() + "\"";
    case VarType::VT_DATE:
      // Shown as its number: a date out of range has no calendar text.
      return name + " " + decimal::ShortestText(value.get<OleDate>().value());
    default: return name + " " + value.ToString();
  }
}

void ThrowNotConvertible(const Variant& value, VarType target) {
  throw ConversionError("cannot convert " + Describe(value) + " to " +
                        std::string(TypeName(target)));
}

void ThrowOutOfRange(const Variant& value, VarType target) {
  throw ConversionError("the value " + Describe(value) + " does not fit " +
                        std::string(TypeName(target)));
}

}  // namespace variant_detail

VarType Variant::type() const { return kTypeOfIndex[value_.index()]; }

std::string Variant::ToString() const {
  switch (type()) {
    case VarType::VT_EMPTY: return {};
    case VarType::VT_I2: return std::to_string(get<std::int16_t>());
    case VarType::VT_I4: return std::to_string(get<std::int32_t>());
    case VarType::VT_R4: return decimal::ShortestText(get<float>());
    case VarType::VT_CY: return get<Currency>().ToString();
    case VarType::VT_DATE: return get<OleDate>().ToIsoString();
    case VarType::VT_BSTR: return get<std::string>();
    case VarType::VT_BOOL: return get<VariantBool>().value ? "True" : "False";
    case VarType::VT_VARIANT: break;  // a stored value always has a concrete type
  }
  return {};
}

Variant Variant::ConvertTo(VarType target) const {
  switch (target) {
    case VarType::VT_EMPTY: return {};
    case VarType::VT_I2: return ToI2();
    case VarType::VT_I4: return ToI4();
    case VarType::VT_R4: return ToR4();
    case VarType::VT_CY: return ToCurrency();
    case VarType::VT_DATE: return ToDate();
    case VarType::VT_BSTR: return ToString();
    case VarType::VT_BOOL: return VariantBool{ToBool()};
    case VarType::VT_VARIANT: return *this;  // a Variant holds any type: nothing to convert
  }
  throw ConversionError("no conversion to the type number " +
                        std::to_string(static_cast<unsigned>(target)));
}

}  // namespace tavirel
