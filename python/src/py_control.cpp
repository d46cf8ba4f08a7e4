#include "py_control.hpp"

#include <pythread.h>

#include <array>
#include <span>
#include <string>
#include <vector>

#include "conversions.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/port_factory.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel::python {
namespace {

// How often a wait on the main thread looks at Python's signals: well within
// the tenth of a second a Ctrl-C should take, and rare enough that the GIL
// is taken back only a few times a second.
constexpr auto kSignalCheckEvery = std::chrono::milliseconds(15);

std::unique_ptr<SerialPort> PortNamed(const py::object& name) {
  if (name.is_none()) return nullptr;  // the control's default serial port
  return MakePort(name.cast<std::string>());
}

unsigned long MainThread() {
  return py::module_::import("threading").attr("main_thread")().attr("ident").cast<unsigned long>();
}

const MemberInfo& MemberWithId(std::int32_t id, MemberKind kind) {
  const MemberInfo* member = FindMember(id);
  if (member == nullptr || member->kind != kind)
    throw DispatchError("no " + std::string(KindName(kind)) + " with id " + std::to_string(id));
  return *member;
}

bool IsResultAmount(const MemberInfo& member) {
  return member.result == VarType::VT_CY && member.name.substr(0, 4) == "Last";
}

}  // namespace

PyControl::PyControl(const py::object& name)
    : control_(std::make_unique<TavirelControl>(PortNamed(name))), main_thread_(MainThread()) {
  InstallHooks();
}

PyControl::PyControl(std::shared_ptr<SimHost> sim)
    : sim_(std::move(sim)), main_thread_(MainThread()) {
  const std::string device = sim_->Device();
  if (!device.empty()) {
    control_ = std::make_unique<TavirelControl>(MakePort(device));
  } else {
    SimHost::Connection connection = sim_->Connect();
    in_process_ = true;
    NullModemPort& host_end = *connection.port;
    threaded_ = std::move(connection.threaded);
    control_ = std::make_unique<TavirelControl>(std::move(connection.port), connection.clock);
    if (connection.far) {
      virtual_ = std::make_unique<sim::VirtualTimeLink>(
          sim_->Register(), host_end, std::move(connection.far), connection.clock);
    }
  }
  InstallHooks();
}

// Closing a terminal may wait for its output to drain, and the link's thread
// is joined: without the GIL, as every wait. No Python object is touched.
PyControl::~PyControl() {
  const py::gil_scoped_release release;
  virtual_.reset();
  control_.reset();  // closes the port
  threaded_.reset();
  if (in_process_) sim_->Disconnect();
}

void PyControl::InstallHooks() {
  HostHooks hooks;
  hooks.yield = [this] { OnYield(); };
  hooks.fp_error = [this](std::int16_t& level, std::int32_t& code) { OnFPError(level, code); };
  control_->SetHooks(std::move(hooks));
}

// Runs on the calling thread, without the GIL. An exception a signal
// handler raised (KeyboardInterrupt) leaves the wait as it is thrown: the
// call ends there, as a cancel would end it.
void PyControl::OnYield() {
  if (!check_signals_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_check_ < kSignalCheckEvery) return;
  last_check_ = now;
  py::gil_scoped_acquire gil;
  if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

// An exception the callback raises ends the call with it.
// Only this thread may change the callback while its call runs (SetFPError
// refuses others), so it is looked at before the GIL is taken.
void PyControl::OnFPError(std::int16_t& level, std::int32_t& code) {
  if (fp_error_.is_none()) return;
  py::gil_scoped_acquire gil;
  const py::object callback = fp_error_;  // kept while it runs, even if replaced
  callback(level, code);
}

void PyControl::SetFPError(py::object callback) {
  RequireFree();
  if (!callback.is_none() && !PyCallable_Check(callback.ptr()))
    throw py::type_error("FPError takes a callable (level, code) or None");
  fp_error_ = std::move(callback);
}

void PyControl::RequireFree() const {
  if (caller_ != 0 && caller_ != PyThread_get_thread_ident())
    throw BusyError("another call of this control is waiting for the printer");
}

PyControl::CallScope::CallScope(PyControl& owner)
    : owner_(owner), previous_caller_(owner.caller_), previous_check_(owner.check_signals_) {
  owner.RequireFree();
  owner.caller_ = PyThread_get_thread_ident();
  owner.check_signals_ = owner.caller_ == owner.main_thread_;
  owner.last_check_ = std::chrono::steady_clock::now();
}

PyControl::CallScope::~CallScope() {
  owner_.caller_ = previous_caller_;
  owner_.check_signals_ = previous_check_;
}

namespace {

// Converts `args` into `values` for `member`'s leading parameters.
std::span<const Variant> Convert(const MemberInfo& member, const py::tuple& args, std::int32_t mode,
                                 std::array<Variant, kMostArguments>& values) {
  const std::size_t count = args.size();
  if (count > member.params.size() || count > values.size()) {
    throw py::type_error(std::string(member.name) + " takes " +
                         std::to_string(member.params.size()) + " arguments, not " +
                         std::to_string(count) + ": " + Signature(member));
  }
  for (std::size_t i = 0; i < count; ++i) values[i] = ToVariant(member.params[i], args[i], mode);
  return {values.data(), count};
}

}  // namespace

py::object PyControl::Call(std::int32_t id, const py::tuple& args) {
  const MemberInfo& member = MemberWithId(id, MemberKind::Method);
  RequireFree();
  std::array<Variant, kMostArguments> values;
  const std::span<const Variant> given = Convert(member, args, control_->EuroSettings(), values);
  const Variant result = Released([&] {
    return Invoke(*control_, member, {given.begin(), given.end()});
  });
  return ToPython(result);
}

// The arguments go into storage on the stack and are run as they are, by
// the member found once: a typed call's cost.
py::object PyControl::Run(std::int32_t id, const py::tuple& args) {
  const MemberInfo& member = MemberWithId(id, MemberKind::Method);
  RequireFree();
  std::array<Variant, kMostArguments> values;
  const std::span<const Variant> given = Convert(member, args, control_->EuroSettings(), values);
  const std::int16_t result = Released([&] { return control_->RunOperation(member, given); });
  return py::int_(result);
}

py::object PyControl::Get(std::int32_t id) {
  const MemberInfo& member = MemberWithId(id, MemberKind::PropertyGet);
  RequireFree();
  const Variant value = Invoke(*control_, member, {});
  if (IsResultAmount(member)) return RegisterAmount(value, control_->EuroSettings());
  return ToPython(value);
}

void PyControl::Put(std::int32_t id, const py::handle& value) {
  const MemberInfo& member = MemberWithId(id, MemberKind::PropertyPut);
  RequireFree();
  Variant argument = ToVariant(member.params.at(0), value, control_->EuroSettings());
  // A network port's settings are negotiated on the line: a put may wait.
  Released([&] { return Invoke(*control_, member, {std::move(argument)}); });
}

}  // namespace tavirel::python
