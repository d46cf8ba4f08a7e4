#pragma once
// Controls for the Qt tests, on in-memory serial lines, with one log of the
// property-changed notifications of all of them ("name.Property"), so a test
// sees the order in which a page wrote into them.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/null_modem.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::qt::testing {

inline std::unique_ptr<TavirelControl> MakeLineControl() {
  auto ends = MakeNullModemPair();
  return std::make_unique<TavirelControl>(std::move(ends.first));
}

class ControlSet {
 public:
  TavirelControl& Add(std::string name, std::int16_t port, std::string settings,
                      std::int32_t mode) {
    auto control = MakeLineControl();
    control->InitProperties();
    control->COMPort(port);
    control->Settings(settings);
    control->EuroSettings(mode);
    HostHooks hooks;
    hooks.property_changed = [this, name](std::string_view property) {
      changes_.push_back(name + "." + std::string(property));
    };
    control->SetHooks(std::move(hooks));
    controls_.push_back(std::move(control));
    return *controls_.back();
  }

  [[nodiscard]] std::vector<TavirelControl*> Selection() const {
    std::vector<TavirelControl*> all;
    for (const auto& control : controls_) all.push_back(control.get());
    return all;
  }
  [[nodiscard]] TavirelControl& operator[](std::size_t i) const { return *controls_.at(i); }
  [[nodiscard]] const std::vector<std::string>& Changes() const { return changes_; }

 private:
  std::vector<std::unique_ptr<TavirelControl>> controls_;
  std::vector<std::string> changes_;
};

}  // namespace tavirel::qt::testing
