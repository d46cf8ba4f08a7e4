// The control object: construction, lifecycle, port and settings.
#include "control/control_impl.hpp"
#include "link/transaction.hpp"
#include "ops/catalogue.hpp"
#include "port/local_port.hpp"

namespace tavirel {
namespace {

constexpr std::int16_t kDefaultPort = 1;
constexpr std::int32_t kDefaultEuroSettings = 0;

}  // namespace

TavirelControl::TavirelControl(std::unique_ptr<SerialPort> port, std::shared_ptr<Clock> clock)
    : impl_(std::make_unique<Impl>()) {
  impl_->port = port ? std::move(port) : port::MakeNumberedPort();
  impl_->clock = clock ? std::move(clock) : std::make_shared<SteadyClock>();
}

TavirelControl::~TavirelControl() {
  // Terminate: the serial component goes with the control, an open port with it.
  try {
    if (impl_->port->PortOpen()) impl_->port->PortOpen(false);
  } catch (...) {  // a destructor must not throw; the port closes with its object anyway
  }
}

void TavirelControl::SetHooks(HostHooks hooks) { impl_->hooks = std::move(hooks); }
const HostHooks& TavirelControl::Hooks() const { return impl_->hooks; }
void TavirelControl::SetSizeSite(SizeSite* site) { impl_->size_site = site; }
SerialPort& TavirelControl::Port() { return *impl_->port; }

void TavirelControl::Initialize() {}

void TavirelControl::InitProperties() {
  impl_->port->Settings(kDefaultSettings);
  impl_->port->CommPort(kDefaultPort);
  impl_->euro_settings = kDefaultEuroSettings;
  impl_->record.ResetLastValues();
}

void TavirelControl::ReadProperties(PropertyBag& bag) {
  Settings(bag.ReadProperty("Settings", Variant(kDefaultSettings)).ToString());
  COMPort(bag.ReadProperty("COMPort", Variant(kDefaultPort)).ToI2());
  EuroSettings(bag.ReadProperty("EuroSettings", Variant(kDefaultEuroSettings)).ToI4());
}

void TavirelControl::WriteProperties(PropertyBag& bag) {
  bag.WriteProperty("Settings", Variant(Settings()), Variant(kDefaultSettings));
  bag.WriteProperty("COMPort", Variant(COMPort()), Variant(kDefaultPort));
  bag.WriteProperty("EuroSettings", Variant(EuroSettings()), Variant(kDefaultEuroSettings));
}

void TavirelControl::Resize() {
  if (impl_->size_site == nullptr) return;
  impl_->size_site->SetHeight(500);
  impl_->size_site->SetWidth(impl_->size_site->Height() * 2);
}

void TavirelControl::PortOpen() {
  BusyGuard guard(impl_->busy);
  impl_->port->PortOpen(true);
  if (!impl_->port->PortOpen()) return;
  // The probe: 4201 with the counter forced to 1; its result is dropped.
  impl_->frame_counter = 1;
  impl_->current_command = "4201";
  link::LinkContext context = impl_->Link();
  std::int32_t printer_error = 0;
  // The same request, and so the same reply, as the date and time reading.
  static const ops::Operation& reading = ops::OperationNamed("opReadDataOra");
  link::SendCommand(context, impl_->reply, printer_error, {2, true, false, reading.reply_shape});
}

void TavirelControl::PortClose() {
  BusyGuard guard(impl_->busy);
  impl_->port->PortOpen(false);
}

void TavirelControl::CancelWait() noexcept {
  // Only a lock-free store and the port's own wake-up: both may run in a
  // signal handler.
  impl_->link.cancel_requested.store(true);
  impl_->port->Interrupt();
}

bool TavirelControl::PortIsOpen() const { return impl_->port->PortOpen(); }

std::string TavirelControl::Settings() const { return impl_->port->Settings(); }

void TavirelControl::Settings(const std::string& value) {
  impl_->port->Settings(value);
  impl_->Changed("Settings");
}

std::int16_t TavirelControl::COMPort() const { return impl_->port->CommPort(); }

void TavirelControl::COMPort(std::int16_t value) {
  impl_->port->CommPort(value);
  impl_->Changed("COMPort");
}

std::int32_t TavirelControl::EuroSettings() const { return impl_->euro_settings; }

void TavirelControl::EuroSettings(std::int32_t value) {
  impl_->euro_settings = value;  // any value is stored; only 1 and 2 encode amounts
  impl_->Changed("EuroSettings");
}

std::string TavirelControl::GetLastErrorDescription(std::int16_t ErrorLevel,
                                                    std::int32_t ErrorCode) const {
  return ErrorTexts(ErrorLevel, ErrorCode);
}

std::string TavirelControl::CurrentCommand() const { return impl_->current_command; }
std::int16_t TavirelControl::FrameCounter() const { return impl_->frame_counter; }
bool TavirelControl::Busy() const { return impl_->busy.load(); }

#define TAVIREL_GETTER(name, type, vt) \
  type TavirelControl::name() const { return impl_->record.GetAs<type>(Prop::name); }
TAVIREL_RESULT_PROPERTIES(TAVIREL_GETTER)
#undef TAVIREL_GETTER

Variant TavirelControl::ResultProperty(std::string_view name) const {
  const PropInfo* info = FindResultProperty(name);
  if (info == nullptr)
    throw DispatchError("no result property named \"" + std::string(name) + "\"");
  return impl_->record.Get(info->prop);
}

}  // namespace tavirel
