#include "control_driver.hpp"

#include "call_codec.hpp"
#include "service_errors.hpp"
#include "tavirel/port_factory.hpp"

namespace tavirel::service {

ControlDriver::ControlDriver(RegisterConfig config, documents::Journal& journal,
                             SerialClaims& claims, std::int32_t sim_serial,
                             std::function<void(const documents::StepRecord&)> on_step,
                             TraceHook trace)
    : config_(std::move(config)),
      journal_(journal),
      claims_(claims),
      sim_serial_(sim_serial),
      on_step_(std::move(on_step)),
      trace_(std::move(trace)) {
  // Made now, so the API may reach its switches from any thread.
  if (config_.BuiltIn()) {
    sim::SimOptions options;
    options.currency =
        config_.mode == TVL_EUROSETTINGS_LIRE ? sim::CurrencyUnit::Lire : sim::CurrencyUnit::Euro;
    options.serial = sim_serial_;
    sim_.emplace(std::move(options));
  }
}

ControlDriver::~ControlDriver() { Close(); }

std::unique_ptr<SerialPort> ControlDriver::MakeRegisterPort() {
  if (!sim_) return MakePort(config_.device);
  return sim_->MakePort();
}

OpenedRegister ControlDriver::Open() {
  Close();
  {
    // Kept where CancelWait reaches it from the start: opening probes the register.
    auto control = std::make_unique<TavirelControl>(MakeRegisterPort());
    std::lock_guard lock(control_mutex_);
    control_ = std::move(control);
  }
  if (trace_) {
    HostHooks hooks = control_->Hooks();
    hooks.trace = trace_;
    control_->SetHooks(std::move(hooks));
  }
  control_->Settings(config_.settings);
  control_->EuroSettings(config_.mode);
  control_->PortOpen();
  documents::RunnerOptions options;
  options.register_name = config_.name;
  options.on_step = on_step_;
  runner_ = std::make_unique<documents::Runner>(*control_, journal_, options);
  const auto serial = runner_->Serial();
  if (!serial) {
    throw TavirelError("the register on " + config_.device +
                       " does not give its fiscal serial number (opReadMatrFisc)");
  }
  // Before anything of the journal is settled on this line.
  if (const auto other = claims_.Claim(*serial, config_.name)) {
    throw SameRegisterError("the register on " + config_.device + " is register \"" + *other +
                            "\" (the same fiscal serial number, " + std::to_string(*serial) +
                            "); one register is served under one name only");
  }
  return OpenedRegister{*serial, runner_->ResolveInFlight()};
}

void ControlDriver::Close() noexcept {
  claims_.Release(config_.name);
  runner_.reset();
  std::unique_ptr<TavirelControl> control;
  {
    std::lock_guard lock(control_mutex_);
    control.swap(control_);
  }
  if (control) {
    try {
      control->PortClose();
    } catch (...) {  // a port that hung up closes all the same
    }
  }
}

documents::Outcome ControlDriver::Run(const documents::Document& document) {
  if (!runner_) throw SerialError("register \"" + config_.name + "\" is not open");
  return runner_->Run(document);
}

std::string ControlDriver::Call(std::string_view op) {
  if (!control_) throw SerialError("register \"" + config_.name + "\" is not open");
  return RunJsonCall(*control_, op);
}

void ControlDriver::CancelWait() noexcept {
  std::lock_guard lock(control_mutex_);
  if (control_) control_->CancelWait();
}

std::int32_t BuiltInSerial(std::string_view name) {
  std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a
  for (unsigned char c : name) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return static_cast<std::int32_t>(100000 + hash % 900000);
}

}  // namespace tavirel::service
