#pragma once
// A control on a scripted printer with its port opened (the probe answered),
// recording every FPError it raises. The next request goes out with 02.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "support/scripted_printer.hpp"

namespace tavirel::testing {

struct FPErrorArgs {
  std::int16_t level;
  std::int32_t code;
  bool operator==(const FPErrorArgs&) const = default;
};

class ControlRig {
 public:
  /// The probe needs a currency mode to go out, so the port is opened in
  /// euro mode and `euro` is set afterwards.
  explicit ControlRig(std::int32_t euro = TVL_EUROSETTINGS_EURO) {
    control = printer.MakeControl(TVL_EUROSETTINGS_EURO);
    HostHooks hooks;
    hooks.fp_error = [this](std::int16_t& level, std::int32_t& code) {
      events.push_back({level, code});
      if (on_event) on_event(level, code);
    };
    control->SetHooks(hooks);
    printer.AnswerPayload("42010612011200");
    control->PortOpen();
    printer.TakeWritten();
    control->EuroSettings(euro);
  }

  /// Moves the virtual clock on to the next whole second, if not on one.
  void AlignToWholeSecond() {
    const auto into_second = printer.Elapsed() % std::chrono::seconds(1);
    if (into_second.count() != 0) printer.clock().Advance(std::chrono::seconds(1) - into_second);
  }

  ScriptedPrinter printer;
  std::unique_ptr<TavirelControl> control;
  std::vector<FPErrorArgs> events;
  std::function<void(std::int16_t&, std::int32_t&)> on_event;
};

}  // namespace tavirel::testing
