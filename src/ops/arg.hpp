#pragma once
// An operation's argument as the encoders read it: a view of the caller's
// value, never a copy, so a typed call hands its texts over where the caller
// keeps them. Valid as long as the value it views.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "tavirel/currency.hpp"
#include "tavirel/variant.hpp"

namespace tavirel::ops {

class Arg {
 public:
  /// None: for a field made from no argument.
  Arg() = default;
  Arg(std::int16_t value) : value_(value) {}
  Arg(float value) : value_(value) {}
  Arg(Currency value) : value_(value) {}
  Arg(std::string_view text) : value_(text) {}
  Arg(const std::string& text) : value_(std::string_view(text)) {}
  Arg(const char* text) : value_(std::string_view(text)) {}
  /// A view of a Variant's value: Integer, Single, Currency and String are
  /// the types the catalogue's parameters have; any other gives none.
  static Arg Of(const Variant& value);

  /// The value as its type; std::bad_variant_access for another type.
  [[nodiscard]] std::int16_t I2() const { return std::get<std::int16_t>(value_); }
  [[nodiscard]] float R4() const { return std::get<float>(value_); }
  [[nodiscard]] Currency Cy() const { return std::get<Currency>(value_); }
  [[nodiscard]] std::string_view Text() const { return std::get<std::string_view>(value_); }

 private:
  std::variant<std::monostate, std::int16_t, float, Currency, std::string_view> value_;
};

inline Arg Arg::Of(const Variant& value) {
  switch (value.type()) {
    case VarType::VT_I2: return value.get<std::int16_t>();
    case VarType::VT_R4: return value.get<float>();
    case VarType::VT_CY: return value.get<Currency>();
    case VarType::VT_BSTR: return std::string_view(value.get<std::string>());
    default: return {};
  }
}

}  // namespace tavirel::ops
