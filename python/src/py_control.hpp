#pragma once
// The control as Python holds it: a TavirelControl, the simulated register
// it may be connected to, the FPError callback, and the rule for waits: the
// GIL is released while a call may wait on the line, and on the main thread
// the call checks Python's signals every few tens of milliseconds, so Ctrl-C
// ends a wait with KeyboardInterrupt.
//
// Thread safety: every member is called with the GIL held. One call of a
// control at a time: a call from another thread while one runs (its GIL
// released) is refused with BusyError, as the library refuses it, and never
// reaches the control. CancelWait may be called from any thread.
#include <pybind11/pybind11.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "sim_host.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::python {

namespace py = pybind11;

/// More arguments than any member has (eleven, a department's programming).
inline constexpr std::size_t kMostArguments = 16;

class PyControl {
 public:
  /// A control on the port `name` names (a device path, tcp://, rfc2217://),
  /// or on the default serial port when `name` is None.
  explicit PyControl(const py::object& name);
  /// A control on a simulated register: through its pseudo-terminal when it
  /// serves one, else in process.
  explicit PyControl(std::shared_ptr<SimHost> sim);
  ~PyControl();
  PyControl(const PyControl&) = delete;
  PyControl& operator=(const PyControl&) = delete;

  /// Calls the method with slot id `id` with positional arguments in
  /// parameter order (trailing optional ones may be left out).
  py::object Call(std::int32_t id, const py::tuple& args);
  /// Runs the operation with slot id `id` with every argument given, in
  /// parameter order; its result code.
  py::object Run(std::int32_t id, const py::tuple& args);
  /// Reads the property with slot id `id`; amounts of the result
  /// properties in the mode's currency.
  py::object Get(std::int32_t id);
  /// Writes the property whose put has slot id `id`.
  void Put(std::int32_t id, const py::handle& value);

  void CancelWait() noexcept { control_->CancelWait(); }
  [[nodiscard]] bool Busy() const { return control_->Busy(); }
  [[nodiscard]] const py::object& FPError() const { return fp_error_; }
  /// The FPError callback, called as callback(ErrorLevel, ErrorCode); None removes it.
  void SetFPError(py::object callback);

  /// Runs `work` on this control with the GIL released, as one call (see
  /// the class comment).
  template <typename Work>
  auto Released(Work&& work) {
    CallScope scope(*this);
    py::gil_scoped_release release;
    return std::forward<Work>(work)();
  }

  /// The control itself, for the document runner (used through Released).
  [[nodiscard]] TavirelControl& Control() { return *control_; }

 private:
  // Marks a call on this thread; refuses one from another thread meanwhile.
  class CallScope {
   public:
    explicit CallScope(PyControl& owner);
    ~CallScope();
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

   private:
    PyControl& owner_;
    unsigned long previous_caller_;
    bool previous_check_;
  };

  void RequireFree() const;
  void InstallHooks();
  void OnYield();
  void OnFPError(std::int16_t& level, std::int32_t& code);

  std::shared_ptr<SimHost> sim_;                 // outlives the link
  std::unique_ptr<sim::ThreadedLink> threaded_;  // outlives the control
  std::unique_ptr<TavirelControl> control_;
  std::unique_ptr<sim::VirtualTimeLink> virtual_;  // hooks the control's port: goes first
  bool in_process_ = false;                        // connected to sim_ by a pair
  py::object fp_error_ = py::none();
  unsigned long main_thread_ = 0;  // Python's main thread, where signals are handled
  unsigned long caller_ = 0;       // the thread in a call, 0 for none (under the GIL)
  bool check_signals_ = false;     // the call runs on the main thread
  std::chrono::steady_clock::time_point last_check_{};
};

}  // namespace tavirel::python
