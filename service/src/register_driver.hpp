#pragma once
// One register as its worker drives it: open it, run documents and member
// calls on it, close it. The program's driver is a TavirelControl with its
// document runner (control_driver.hpp); tests may give another.
//
// Thread safety: every member but CancelWait is called by the register's
// worker thread only; CancelWait may be called from any thread.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/documents/document.hpp"
#include "tavirel/documents/outcome.hpp"

namespace tavirel::sim {
class SimulatedRegister;
}

namespace tavirel::service {

struct OpenedRegister {
  std::int32_t serial = 0;                   // its fiscal serial number
  std::vector<documents::Outcome> resolved;  // documents it had left in flight
};

class RegisterDriver {
 public:
  virtual ~RegisterDriver() = default;
  /// Opens the port and readies the register: currency mode set, fiscal
  /// serial read, documents it left in flight resolved. Throws an exception
  /// whose message says why the register is unavailable.
  virtual OpenedRegister Open() = 0;
  /// Closes the port; never throws.
  virtual void Close() noexcept = 0;
  /// Runs one document to its outcome (Runner::Run).
  virtual documents::Outcome Run(const documents::Document& document) = 0;
  /// Runs one member call given as a JSON OP; the answer object as JSON
  /// text. Errors of the call (an unknown member, an argument that does not
  /// convert, the port failing) pass through.
  virtual std::string Call(std::string_view op) = 0;
  /// Ends the wait of the operation in progress, if any, as soon as it can.
  virtual void CancelWait() noexcept = 0;
  /// The simulated register behind a built-in register (made with the
  /// driver, so any thread may use it while the driver lives); nullptr for
  /// a real one.
  [[nodiscard]] virtual sim::SimulatedRegister* Simulator() const noexcept { return nullptr; }
};

}  // namespace tavirel::service
