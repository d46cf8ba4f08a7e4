#pragma once
// What a host gives the control: the property bag, the change notification,
// the size requests, the yield during waits, the FPError sink and a trace of
// the line. Every hook is optional.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "tavirel/export.hpp"
#include "tavirel/variant.hpp"

namespace tavirel {

/// The host's store of persisted properties.
class TAVIREL_API PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  /// The stored value of `name`, or `default_value` when the bag has none.
  [[nodiscard]] virtual Variant ReadProperty(std::string_view name,
                                             const Variant& default_value) = 0;
  /// Stores `value` under `name`; a bag may leave out a value equal to its default.
  virtual void WriteProperty(std::string_view name, const Variant& value,
                             const Variant& default_value) = 0;
};

/// A property bag in memory that leaves out values equal to their default.
class TAVIREL_API InMemoryPropertyBag final : public PropertyBag {
 public:
  [[nodiscard]] Variant ReadProperty(std::string_view name, const Variant& default_value) override;
  void WriteProperty(std::string_view name, const Variant& value,
                     const Variant& default_value) override;
  /// What the bag holds, by name.
  [[nodiscard]] const std::map<std::string, Variant, std::less<>>& values() const {
    return values_;
  }
  void Set(std::string name, Variant value) { values_[std::move(name)] = std::move(value); }

 private:
  std::map<std::string, Variant, std::less<>> values_;
};

/// The control asks its site for a size in twips and reads back what was granted.
class TAVIREL_API SizeSite {
 public:
  virtual ~SizeSite() = default;
  virtual void SetHeight(int twips) = 0;
  virtual void SetWidth(int twips) = 0;
  [[nodiscard]] virtual int Height() const = 0;
  [[nodiscard]] virtual int Width() const = 0;
};

enum class TraceDirection { Written, Read };

/// Hooks the host installs on a control.
struct TAVIREL_API HostHooks {
  /// A persisted property was changed through its setter.
  std::function<void(std::string_view name)> property_changed;
  /// Called once per pass of the wait loop: serve the host's events here.
  std::function<void()> yield;
  /// The FPError event. The references are the engine's own variables, with
  /// the effects a handler's stores have (see TavirelControl).
  std::function<void(std::int16_t& error_level, std::int32_t& error_code)> fp_error;
  /// Every byte written to and read from the line, with a monotonic timestamp.
  std::function<void(TraceDirection, std::string_view bytes, std::chrono::steady_clock::time_point)>
      trace;
};

}  // namespace tavirel
