#pragma once
// A small Automation VARIANT: the types the control's interface uses.
// Conversions never depend on the process locale.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "tavirel/currency.hpp"
#include "tavirel/export.hpp"
#include "tavirel/ole_date.hpp"

namespace tavirel {

/// The Automation types the interface uses, with their Automation numbers.
enum class VarType : std::uint16_t {
  VT_EMPTY = 0,     ///< no value
  VT_I2 = 2,        ///< Integer: std::int16_t
  VT_I4 = 3,        ///< Long: std::int32_t
  VT_R4 = 4,        ///< Single: float
  VT_CY = 6,        ///< Currency
  VT_DATE = 7,      ///< Date: OleDate
  VT_BSTR = 8,      ///< String: std::string, UTF-8
  VT_BOOL = 11,     ///< Boolean: VariantBool
  VT_VARIANT = 12,  // a VARIANT result or parameter of any type (dispatch tables only)
};

/// Name of a type as the interface shows it ("Integer", "Long", "Single",
/// "Currency", "Date", "String", "Boolean", "Empty").
TAVIREL_API std::string_view TypeName(VarType type);

/// An Automation boolean: true is -1.
struct TAVIREL_API VariantBool {
  bool value = false;  ///< shown as -1 (true) or 0
  friend bool operator==(VariantBool, VariantBool) = default;
};

/// One value of any of those types. A value type without shared state:
/// concurrent const use is safe, as for std::string.
class TAVIREL_API Variant {
 public:
  /// Empty (VT_EMPTY).
  Variant() = default;
  /// Each constructor stores its value with its type (implicitly, so that
  /// argument lists read naturally: {1, "PANE", Currency::Parse("1.50")}).
  Variant(std::int16_t v) : value_(v) {}
  Variant(std::int32_t v) : value_(v) {}
  Variant(float v) : value_(v) {}
  Variant(Currency v) : value_(v) {}
  Variant(OleDate v) : value_(v) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(const char* v) : value_(std::string(v)) {}
  Variant(VariantBool v) : value_(v) {}

  /// The type of the stored value.
  [[nodiscard]] VarType type() const;
  /// True when nothing is stored.
  [[nodiscard]] bool empty() const { return type() == VarType::VT_EMPTY; }

  /// Conversions in the manner of Automation: numbers convert between each
  /// other when they fit (a Single or Currency rounds half away from zero
  /// to an integer), texts parse as locale-free decimal numbers ("1.50",
  /// "-3", " 12 "), booleans give -1 or 0. A value that does not convert or
  /// does not fit throws ConversionError naming the value and the type.
  [[nodiscard]] std::int16_t ToI2() const;
  [[nodiscard]] std::int32_t ToI4() const;
  [[nodiscard]] float ToR4() const;
  [[nodiscard]] Currency ToCurrency() const;
  [[nodiscard]] OleDate ToDate() const;
  [[nodiscard]] bool ToBool() const;
  /// Text form: integers in decimal, a Single at its shortest form, a
  /// Currency exactly ("1.5"), a date as "YYYY-MM-DDTHH:MM:SS", a boolean as
  /// "True"/"False", empty as "".
  [[nodiscard]] std::string ToString() const;
  /// Converts to the given type (VT_EMPTY gives an empty variant).
  [[nodiscard]] Variant ConvertTo(VarType type) const;

  /// The String this holds, to be written in place (its room reused); a
  /// value of another type is replaced by an empty String first.
  std::string& TextToWrite() {
    if (auto* held = std::get_if<std::string>(&value_)) return *held;
    return value_.emplace<std::string>();
  }

  /// Direct access to the stored value; throws std::bad_variant_access when
  /// the type differs.
  template <typename T>
  [[nodiscard]] const T& get() const {
    return std::get<T>(value_);
  }

  /// Same type and same value.
  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  std::variant<std::monostate, std::int16_t, std::int32_t, float, Currency, OleDate, std::string,
               VariantBool>
      value_;
};

}  // namespace tavirel
