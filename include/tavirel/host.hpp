#pragma once
// What a host gives the control: the property bag, the change notification,
// the size requests, the yield during waits, the FPError sink and a trace of
// the line. Every hook is optional.
//
// Thread safety: the control calls every hook and the size site on the
// thread that called the control member (an operation, PortOpen, a setter),
// never on another, and never from CancelWait. Hooks may call the control's
// getters; an operation called from a hook while one waits throws BusyError.
// Lifetime: the control keeps copies of the hooks (SetHooks) and a pointer
// to the size site, which the host keeps alive as long as the control may
// resize, or replaces with nullptr.
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

/// The host's store of persisted properties. Used only during
/// ReadProperties and WriteProperties, on their caller's thread.
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
/// Not thread-safe.
class TAVIREL_API InMemoryPropertyBag final : public PropertyBag {
 public:
  /// The stored value, or `default_value`.
  [[nodiscard]] Variant ReadProperty(std::string_view name, const Variant& default_value) override;
  /// Stores `value`, or forgets the name when `value` equals the default.
  void WriteProperty(std::string_view name, const Variant& value,
                     const Variant& default_value) override;
  /// What the bag holds, by name.
  [[nodiscard]] const std::map<std::string, Variant, std::less<>>& values() const {
    return values_;
  }
  /// Stores a value as a saved one (a test's or a host's own).
  void Set(std::string name, Variant value) { values_[std::move(name)] = std::move(value); }

 private:
  std::map<std::string, Variant, std::less<>> values_;
};

/// The control asks its site for a size in twips and reads back what was
/// granted; called only from Resize, on its caller's thread.
class TAVIREL_API SizeSite {
 public:
  virtual ~SizeSite() = default;
  /// Asks for a height; the site may grant another.
  virtual void SetHeight(int twips) = 0;
  /// Asks for a width; the site may grant another.
  virtual void SetWidth(int twips) = 0;
  /// The height granted.
  [[nodiscard]] virtual int Height() const = 0;
  /// The width granted.
  [[nodiscard]] virtual int Width() const = 0;
};

/// Which way bytes crossed the line, for the trace hook.
enum class TraceDirection { Written, Read };

/// Hooks the host installs on a control.
struct TAVIREL_API HostHooks {
  /// A persisted property was changed through its setter.
  std::function<void(std::string_view name)> property_changed;
  /// Called once per pass of the wait loop: serve the host's events here.
  /// With it installed the wait passes every 20 ms; without it the wait
  /// sleeps until input comes or the limit ends, so install it only when
  /// events must be served during a call.
  std::function<void()> yield;
  /// The FPError event. The references are the engine's own variables, with
  /// the effects a handler's stores have (see TavirelControl).
  std::function<void(std::int16_t& error_level, std::int32_t& error_code)> fp_error;
  /// Every byte written to and read from the line, with a timestamp of the
  /// control's clock; read bytes come in the chunks they were taken in (the
  /// bytes view lives only for the call).
  std::function<void(TraceDirection, std::string_view bytes, std::chrono::steady_clock::time_point)>
      trace;
};

}  // namespace tavirel
