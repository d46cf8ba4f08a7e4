#pragma once
// Compares all 56 result properties with what a test expects: the values it
// names, and for every other property the default that ResetLastValues
// stores. A test then shows not only what a reply filled but that nothing
// else moved.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/result_record.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::testing {

using Expected = std::map<std::string, Variant, std::less<>>;

inline Variant I2(int value) { return Variant(static_cast<std::int16_t>(value)); }
inline Variant I4(std::int32_t value) { return Variant(value); }
inline Variant R4(float value) { return Variant(value); }
inline Variant Cy(std::int64_t units) { return Variant(Currency::FromUnits(units)); }
inline Variant Str(std::string text) { return Variant(std::move(text)); }
inline Variant Date(int year, int month, int day, int hour, int minute) {
  return Variant(OleDate::FromParts(year, month, day, hour, minute));
}

/// The six values a ten-character date field fills (two-digit year `aa`).
inline Expected DateValues(int gg, int mm, int aa, int hh, int min) {
  return {
      {"LastGG", I2(gg)},   {"LastMM", I2(mm)},
      {"LastAA", I2(aa)},   {"LastHH", I2(hh)},
      {"LastMin", I2(min)}, {"LastDate", Date(aa < 30 ? 2000 + aa : 1900 + aa, mm, gg, hh, min)}};
}

/// `base` with `more` added (entries of `more` win).
inline Expected With(Expected base, const Expected& more) {
  for (const auto& [name, value] : more) base[name] = value;
  return base;
}

inline std::string Describe(const Variant& value) {
  return std::string(TypeName(value.type())) + " \"" + value.ToString() + "\"";
}

/// One line per property whose value differs from the expectation.
inline std::vector<std::string> RecordDifferences(
    const std::function<Variant(std::string_view)>& read, const Expected& expected) {
  std::vector<std::string> differences;
  for (const auto& [name, value] : expected) {
    if (FindResultProperty(name) == nullptr) differences.push_back("no property named " + name);
  }
  for (const PropInfo& info : ResultProperties()) {
    Variant want = info.default_value;
    // The reset stores the date 0, but the getter composes LastDate from the
    // five fields, all 0 after a reset: day 0 of month 0 of 2000.
    if (info.prop == Prop::LastDate) want = Variant(OleDate::FromParts(1999, 11, 30));
    if (auto it = expected.find(info.name); it != expected.end()) want = it->second;
    const Variant got = read(info.name);
    if (!(got == want)) {
      differences.push_back(std::string(info.name) + ": got " + Describe(got) + ", want " +
                            Describe(want));
    }
  }
  return differences;
}

inline std::vector<std::string> RecordDifferences(const TavirelControl& control,
                                                  const Expected& expected) {
  return RecordDifferences([&](std::string_view name) { return control.ResultProperty(name); },
                           expected);
}

inline std::vector<std::string> RecordDifferences(ResultRecord& record, const Expected& expected) {
  return RecordDifferences(
      [&](std::string_view name) { return record.Get(FindResultProperty(name)->prop); }, expected);
}

}  // namespace tavirel::testing
