#pragma once
// The real driver (TavirelControl) on the in-memory null-modem pair against
// the simulated register, all in virtual time on one manual clock.
#include <chrono>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "sim_support.hpp"
#include "tavirel/null_modem.hpp"
#include "tavirel/sim/null_modem_link.hpp"
#include "tavirel/sim/simulated_register.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::sim::test {

struct DriverRig {
  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
  std::unique_ptr<SimulatedRegister> reg;
  std::unique_ptr<TavirelControl> ctl;
  std::unique_ptr<VirtualTimeLink> link;  // after ctl: it hooks the port ctl owns
  std::vector<std::pair<std::int16_t, std::int32_t>> events;  // FPError calls

  explicit DriverRig(SimOptions options = {}, std::int32_t euro = TVL_EUROSETTINGS_EURO) {
    if (!options.wall) options.wall = FixedWall;
    reg = std::make_unique<SimulatedRegister>(options);
    auto [host, far] = MakeNullModemPair();
    NullModemPort& host_end = *host;
    ctl = std::make_unique<TavirelControl>(std::move(host), clock);
    ctl->Initialize();
    ctl->InitProperties();
    HostHooks hooks;
    hooks.fp_error = [this](std::int16_t& level, std::int32_t& code) {
      events.emplace_back(level, code);
    };
    ctl->SetHooks(hooks);
    ctl->EuroSettings(euro);
    link = std::make_unique<VirtualTimeLink>(*reg, host_end, std::move(far), clock);
    ctl->PortOpen();
  }

  /// Seconds of virtual time an action took.
  template <typename F>
  double Timed(F&& action) {
    const auto start = clock->Now();
    action();
    return std::chrono::duration<double>(clock->Now() - start).count();
  }
};

inline Currency Units(std::int64_t n) { return Currency::FromUnits(n); }
inline Currency Euro(const char* text) { return Currency::Parse(text); }

}  // namespace tavirel::sim::test
