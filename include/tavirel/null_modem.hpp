#pragma once
// Two serial components wired to each other in memory: what one end writes
// the other reads. The far end can lower and raise Clear To Send and see
// exactly what was written.
//
// Thread safety: every member is thread-safe (one mutex per pair), so the two
// ends may live on two threads; none may be called from a signal handler.
// Lifetime: the ends share their pair; each end may outlive the other. A wait
// hook runs on the thread that waits, without the pair's lock.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "tavirel/export.hpp"
#include "tavirel/serial_port.hpp"

namespace tavirel {

class TAVIREL_API NullModemPort final : public SerialPort {
 public:
  /// The pair's shared state (see MakeNullModemPair).
  struct Shared;
  /// End `side` (0 or 1) of `shared`; SerialError otherwise.
  NullModemPort(std::shared_ptr<Shared> shared, int side);
  ~NullModemPort() override;

  /// Opens or closes this end; opening an open end throws SerialError.
  void PortOpen(bool open) override;
  /// True while this end is open; false once a hang-up of the other end was
  /// reported.
  [[nodiscard]] bool PortOpen() const override;
  /// The Clear To Send this end sees, as the other end set it (asserted at first).
  [[nodiscard]] bool CTSHolding() override;
  /// Characters waiting at this end.
  [[nodiscard]] int InBufferCount() override;
  /// One waiting character, or "".
  std::string Input() override;
  /// Everything waiting, up to `size`, under one lock.
  std::size_t TakeInput(char* data, std::size_t size) override;
  /// Delivers the bytes to the other end. Writing works whether or not either
  /// end is "open": the open state only matters to the driver's preconditions.
  void Output(std::string_view bytes) override;
  /// Waits on a condition variable for input, at most `slice`. When a wait
  /// hook is set, calls it instead (when no input waits), so a test can move
  /// a manual clock and script the other end in virtual time.
  void WaitForInput(std::chrono::milliseconds slice) override;
  /// Ends this end's wait in progress, or its next one. Thread-safe; takes
  /// the pair's mutex, so not for a signal handler.
  void Interrupt() noexcept override;
  /// This end's settings text (checked, never applied: there is no wire).
  [[nodiscard]] std::string Settings() const override;
  /// Checks and keeps the text; SettingsError when it does not parse.
  void Settings(const std::string& text) override;
  /// This end's port number.
  [[nodiscard]] std::int16_t CommPort() const override;
  /// Sets it (refused below 1 and while open, unless unchanged).
  void CommPort(std::int16_t port) override;

  /// Sets the Clear To Send that the other end sees.
  void SetPeerCTS(bool asserted);
  /// Every byte this end has written since the pair was made.
  [[nodiscard]] std::string Written() const;
  /// Every byte this end has received (taken or not).
  [[nodiscard]] std::string Received() const;
  /// Forgets the Written and Received logs.
  void ClearLogs();
  /// Takes everything waiting at once (convenient for the far end).
  std::string TakeAll();
  /// Makes every later Input, InBufferCount, Output and WaitForInput on the
  /// other end throw SerialError, as a device that hung up (which closes it).
  void HangUpPeer();
  /// See WaitForInput. Set it before the end is shared with another thread.
  void SetWaitHook(std::function<void(std::chrono::milliseconds)> hook);

 private:
  std::shared_ptr<Shared> shared_;
  int side_;
  std::function<void(std::chrono::milliseconds)> wait_hook_;
};

/// A connected pair: first is the host's end, second the far (printer's)
/// end; both closed, CTS asserted, "9600,n,8,1", port 1.
TAVIREL_API std::pair<std::unique_ptr<NullModemPort>, std::unique_ptr<NullModemPort>>
MakeNullModemPair();

}  // namespace tavirel
