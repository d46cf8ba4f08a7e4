#pragma once
// SendCommand: the one place where the control talks to the printer.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "link/counter_echo.hpp"
#include "link/reply_shape.hpp"
#include "tavirel/clock.hpp"
#include "tavirel/host.hpp"
#include "tavirel/serial_port.hpp"

namespace tavirel::link {

/// Longest run of characters kept without an ETX; beyond it the buffer is
/// dropped up to the next STX, so a runaway line cannot eat memory.
inline constexpr std::size_t kMaxReplyLength = 4096;
/// Limit for the ACK, in whole seconds from the send.
inline constexpr int kAckTimeoutSeconds = 3;
/// Most bytes, and longest time, spent emptying the receive buffer before a
/// send: more than that is a line that talks without end, and the request
/// goes out anyway. The time counts within the call's limits.
inline constexpr std::size_t kDrainMaxBytes = 2 * kMaxReplyLength;
inline constexpr std::chrono::milliseconds kDrainMaxTime{200};
/// Longest single wait on the port within one pass of the wait loop when
/// the host has a yield handler.
inline constexpr std::chrono::milliseconds kWaitSlice{20};
/// Longest single sleep without a yield handler on a clock that does not
/// keep the port's time: the sleep is reckoned on the control's clock but
/// spent on the port's, so a clock that runs ahead of real time (a test's
/// fast clock) is looked at again within this.
inline constexpr std::chrono::milliseconds kLongestSleep{1000};

/// What the link keeps of a control between calls.
struct LinkState {
  /// Set by CancelWait (any thread, or a signal handler), taken by the next
  /// wait pass or, when no call waits, by the next call before it writes.
  std::atomic<bool> cancel_requested{false};
  /// Whether the register echoes the request's counter; learnt from the
  /// probe's reply and the first reply after it (see counter_echo.hpp).
  CounterEcho echo = CounterEcho::Unknown;
  /// The request frame of the call and, for a command that is not plain
  /// ASCII, its Windows-1252 bytes: their room kept from call to call.
  std::string frame;
  std::string line_bytes;
};
static_assert(std::atomic<bool>::is_always_lock_free,
              "a signal handler may only touch a lock-free flag");

/// What the engine reads and changes of the control.
struct LinkContext {
  SerialPort& port;
  Clock& clock;
  const HostHooks& hooks;
  std::int32_t euro_settings;
  std::int16_t& frame_counter;
  const std::string& current_command;  // UTF-8; framed as Windows-1252
  LinkState& state;
};

struct SendOptions {
  std::int16_t reply_timeout = 10;    // seconds from the send, once ACKed
  bool frame_counter_forced = false;  // the probe only
  bool amounts_unencodable = false;   // an amount field in a mode that has none
  ReplyShape shape;                   // the reply expected, for the wait only
};

/// Runs one exchange. Returns a code of enumTVL_OP_RETVALUE; `reply` gets the
/// accepted reply frame (raw bytes) or is emptied; the reply is assembled in
/// `reply` itself, so a buffer kept from call to call is not allocated again.
/// `printer_error` gets the number of an error reply and is left unchanged
/// otherwise. Raises FPError through the hooks as the result requires.
/// Errors of the serial component pass through as SerialError. A cancel
/// (LinkState::cancel_requested) ends the call with CancelledError: before
/// the write when it was already set, at the next wait pass after it.
std::int16_t SendCommand(LinkContext& context, std::string& reply, std::int32_t& printer_error,
                         const SendOptions& options);

}  // namespace tavirel::link
