#pragma once
// The result record: what the printer answered to the last operation.
//
// Thread safety: the property table (ResultProperties) is built once and
// never changes; it may be read from any thread. A ResultRecord is a plain
// value without locks: concurrent const reads are safe, a write needs the
// record to itself.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "tavirel/currency.hpp"
#include "tavirel/export.hpp"
#include "tavirel/ole_date.hpp"
#include "tavirel/result_properties.hpp"
#include "tavirel/variant.hpp"

namespace tavirel {

/// A result property, by its position in interface order (LastEERR is 0).
enum class Prop : std::uint8_t {
#define TAVIREL_PROP_ENUM(name, type, vt) name,
  TAVIREL_RESULT_PROPERTIES(TAVIREL_PROP_ENUM)
#undef TAVIREL_PROP_ENUM
};

/// How many result properties there are.
inline constexpr std::size_t kResultPropertyCount = 56;

/// One result property.
struct TAVIREL_API PropInfo {
  Prop prop;              ///< its position
  std::string_view name;  ///< "LastEERR"
  VarType type;           ///< its Automation type
  Variant default_value;  ///< what ResetLastValues stores
};

/// The 56 properties in interface order.
TAVIREL_API std::span<const PropInfo> ResultProperties();
/// The property of that name, or nullptr.
TAVIREL_API const PropInfo* FindResultProperty(std::string_view name);

/// The 56 values of the last operation, each of its property's type.
class TAVIREL_API ResultRecord {
 public:
  /// A record as a control restored from saved properties has it: every
  /// number 0, every text empty (LastEERR 0 too), not yet reset.
  ResultRecord();

  /// Stores every default: LastEERR -2, the zero-filled texts, zero elsewhere.
  /// Only the values stored since the last reset change, and those are not
  /// copied: they read as their defaults until they are stored again.
  void ResetLastValues();

  /// The stored value. LastDate is composed from the five date fields at
  /// every read, so it always agrees with them.
  [[nodiscard]] Variant Get(Prop prop) const;
  /// Stores a value (of the property's type; not checked). Inline, so that
  /// where the value's type is known the store is a plain one.
  void Set(Prop prop, Variant value) {
    values_[static_cast<std::size_t>(prop)] = std::move(value);
    Stored(prop);
  }
  /// A text property's stored text (UTF-8), to be written in place, reusing
  /// its room; the property counts as stored.
  std::string& TextToWrite(Prop prop);

  /// Get, as its C++ type; throws std::bad_variant_access for another type.
  template <typename T>
  [[nodiscard]] T GetAs(Prop prop) const {
    if (prop == Prop::LastDate) return Get(prop).template get<T>();
    return Value(prop).template get<T>();
  }

  /// The date composed from LastGG, LastMM, LastAA (0-29 are 2000s, 30-99
  /// 1900s), LastHH and LastMin, values out of range carrying over.
  [[nodiscard]] OleDate ComposeLastDate() const;

 private:
  // The reply decoders write texts whole, through TextToReplace.
  friend class RecordWriter;
  // A text property's text (UTF-8) to be replaced whole, its room reused:
  // unlike TextToWrite, a reset text is not first given its default.
  std::string& TextToReplace(Prop prop) {
    Stored(prop);
    return values_[static_cast<std::size_t>(prop)].TextToWrite();
  }

  static std::uint64_t Bit(Prop prop) { return std::uint64_t{1} << static_cast<unsigned>(prop); }
  void Stored(Prop prop) {
    changed_ |= Bit(prop);
    reset_ &= ~Bit(prop);
  }
  // What the property reads as: its default when reset since it was stored.
  [[nodiscard]] const Variant& Value(Prop prop) const {
    return (reset_ & Bit(prop)) != 0 ? DefaultValue(prop) : values_[static_cast<std::size_t>(prop)];
  }
  static const Variant& DefaultValue(Prop prop);

  std::array<Variant, kResultPropertyCount> values_;
  static_assert(kResultPropertyCount < 64, "a bit per property in changed_");
  // A bit per property stored since the last reset (all of them at first):
  // a property with neither bit holds its default in values_.
  std::uint64_t changed_ = (std::uint64_t{1} << kResultPropertyCount) - 1;
  // A bit per property reset since it was last stored: it reads as its
  // default, whatever values_ still holds.
  std::uint64_t reset_ = 0;
};

}  // namespace tavirel
