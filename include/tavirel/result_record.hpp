#pragma once
// The result record: what the printer answered to the last operation.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tavirel/currency.hpp"
#include "tavirel/export.hpp"
#include "tavirel/ole_date.hpp"
#include "tavirel/result_properties.hpp"
#include "tavirel/variant.hpp"

namespace tavirel {

enum class Prop : std::uint8_t {
#define TAVIREL_PROP_ENUM(name, type, vt) name,
  TAVIREL_RESULT_PROPERTIES(TAVIREL_PROP_ENUM)
#undef TAVIREL_PROP_ENUM
};

inline constexpr std::size_t kResultPropertyCount = 56;

struct TAVIREL_API PropInfo {
  Prop prop;
  std::string_view name;
  VarType type;
  Variant default_value;  // what ResetLastValues stores
};

/// The 56 properties in interface order.
TAVIREL_API std::span<const PropInfo> ResultProperties();
/// The property of that name, or nullptr.
TAVIREL_API const PropInfo* FindResultProperty(std::string_view name);

class TAVIREL_API ResultRecord {
 public:
  /// A record as a control restored from saved properties has it: every
  /// number 0, every text empty (LastEERR 0 too), not yet reset.
  ResultRecord();

  /// Stores every default: LastEERR -2, the zero-filled texts, zero elsewhere.
  void ResetLastValues();

  /// The stored value. LastDate is composed from the five date fields at
  /// every read (and kept as the stored LastDate).
  [[nodiscard]] Variant Get(Prop prop);
  void Set(Prop prop, Variant value);

  template <typename T>
  [[nodiscard]] T GetAs(Prop prop) {
    return Get(prop).template get<T>();
  }

  /// The date composed from LastGG, LastMM, LastAA (0-29 are 2000s, 30-99
  /// 1900s), LastHH and LastMin, values out of range carrying over.
  [[nodiscard]] OleDate ComposeLastDate() const;

 private:
  std::array<Variant, kResultPropertyCount> values_;
};

}  // namespace tavirel
