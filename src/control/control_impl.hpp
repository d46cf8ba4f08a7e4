#pragma once
// The control's member state, shared by its source files.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "link/transaction.hpp"
#include "tavirel/clock.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/host.hpp"
#include "tavirel/result_record.hpp"
#include "tavirel/serial_port.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel {

struct TavirelControl::Impl {
  std::int16_t frame_counter = 0;
  std::string current_command;
  // Buffers kept from one operation to the next, so their room is reused:
  // the next command is composed in `next_command` and then swapped in.
  std::string next_command;
  std::string reply;
  std::int32_t euro_settings = 0;
  ResultRecord record;
  std::unique_ptr<SerialPort> port;
  std::shared_ptr<Clock> clock;
  HostHooks hooks;
  SizeSite* size_site = nullptr;
  std::atomic<bool> busy{false};
  link::LinkState link;

  /// What one exchange reads and changes of this control.
  link::LinkContext Link() {
    return {*port, *clock, hooks, euro_settings, frame_counter, current_command, link};
  }

  void Changed(std::string_view name) const {
    if (hooks.property_changed) hooks.property_changed(name);
  }
};

/// Marks the control busy for the life of an exchange; a second operation
/// meanwhile (from the yield handler or another thread) is refused before
/// anything is touched.
class BusyGuard {
 public:
  explicit BusyGuard(std::atomic<bool>& busy) : busy_(busy) {
    if (busy_.exchange(true)) {
      throw BusyError("another operation of this control is waiting for the printer");
    }
  }
  ~BusyGuard() { busy_.store(false); }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  std::atomic<bool>& busy_;
};

}  // namespace tavirel
