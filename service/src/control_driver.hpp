#pragma once
// The program's register driver: a TavirelControl on the register's port (a
// device path, a network port string, or a simulated register built into
// the service) with the document runner recording in the journal.
//
// Thread safety: as RegisterDriver.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "builtin_register.hpp"
#include "config.hpp"
#include "register_driver.hpp"
#include "serial_claims.hpp"
#include "tavirel/documents/journal.hpp"
#include "tavirel/documents/runner.hpp"
#include "tavirel/tavirel_control.hpp"
#include "trace_file.hpp"

namespace tavirel::service {

class ControlDriver final : public RegisterDriver {
 public:
  /// `journal` and `claims` must outlive the driver. A built-in register
  /// gets the fiscal serial `sim_serial`. `trace` sees every byte on the line. Opening throws
  /// SameRegisterError when another driver on `claims` holds the register's serial.
  ControlDriver(RegisterConfig config, documents::Journal& journal, SerialClaims& claims,
                std::int32_t sim_serial,
                std::function<void(const documents::StepRecord&)> on_step = {},
                TraceHook trace = {});
  ~ControlDriver() override;

  OpenedRegister Open() override;
  void Close() noexcept override;
  documents::Outcome Run(const documents::Document& document) override;
  std::string Call(std::string_view op) override;
  void CancelWait() noexcept override;
  [[nodiscard]] sim::SimulatedRegister* Simulator() const noexcept override {
    return sim_ ? &sim_->Register() : nullptr;
  }

 private:
  std::unique_ptr<SerialPort> MakeRegisterPort();

  const RegisterConfig config_;
  documents::Journal& journal_;
  SerialClaims& claims_;
  const std::int32_t sim_serial_;
  const std::function<void(const documents::StepRecord&)> on_step_;
  const TraceHook trace_;               // every byte on the line, when traced
  std::optional<BuiltInRegister> sim_;  // the built-in register, made with the driver
  std::mutex control_mutex_;            // guards the pointer for CancelWait
  std::unique_ptr<TavirelControl> control_;
  std::unique_ptr<documents::Runner> runner_;
};

/// A fiscal serial for the built-in register named `name` (six digits,
/// the same at every start).
std::int32_t BuiltInSerial(std::string_view name);

}  // namespace tavirel::service
