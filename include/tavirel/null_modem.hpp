#pragma once
// Two serial components wired to each other in memory: what one end writes
// the other reads. The far end can lower and raise Clear To Send and see
// exactly what was written. Thread-safe: the two ends may live on two threads.
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
  struct Shared;
  NullModemPort(std::shared_ptr<Shared> shared, int side);
  ~NullModemPort() override;

  void PortOpen(bool open) override;
  [[nodiscard]] bool PortOpen() const override;
  /// The Clear To Send this end sees, as the other end set it (asserted at first).
  [[nodiscard]] bool CTSHolding() override;
  [[nodiscard]] int InBufferCount() override;
  std::string Input() override;
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
  [[nodiscard]] std::string Settings() const override;
  void Settings(const std::string& text) override;
  [[nodiscard]] std::int16_t CommPort() const override;
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
  /// other end throw SerialError, as a device that hung up.
  void HangUpPeer();
  /// See WaitForInput.
  void SetWaitHook(std::function<void(std::chrono::milliseconds)> hook);

 private:
  std::shared_ptr<Shared> shared_;
  int side_;
  std::function<void(std::chrono::milliseconds)> wait_hook_;
};

/// A connected pair: first is the host's end, second the far (printer's) end.
TAVIREL_API std::pair<std::unique_ptr<NullModemPort>, std::unique_ptr<NullModemPort>>
MakeNullModemPair();

}  // namespace tavirel
