#include "sim_host.hpp"

#include "tavirel/sim/errors.hpp"

namespace tavirel::python {

SimHost::SimHost(sim::SimOptions options, bool virtual_time)
    : reg_(std::move(options)), virtual_time_(virtual_time) {}

SimHost::~SimHost() { StopPty(); }

void SimHost::StartPty(const std::string& link_path) {
  const std::lock_guard lock(mutex_);
  if (pty_) throw sim::SimError("the register is already served on " + pty_->DevicePath());
  sim::PtyOptions options;
  options.link_path = link_path;
  pty_ = std::make_unique<sim::PtyServer>(reg_, options);
}

void SimHost::StopPty() {
  std::unique_ptr<sim::PtyServer> pty;
  {
    const std::lock_guard lock(mutex_);
    pty = std::move(pty_);
  }
  pty.reset();  // joins its thread outside the lock
}

std::string SimHost::Device() const {
  const std::lock_guard lock(mutex_);
  return pty_ ? pty_->DevicePath() : std::string();
}

SimHost::Connection SimHost::Connect() {
  const std::lock_guard lock(mutex_);
  if (connected_) throw sim::SimError("another control is connected to this simulated register");
  auto [host, far] = MakeNullModemPair();
  Connection connection;
  connection.port = std::move(host);
  if (virtual_time_) {
    connection.far = std::move(far);
    connection.clock = std::make_shared<ManualClock>();
    connection.clock->SetKeepsPortTime(true);  // moved by exactly what each wait asks
  } else {
    connection.threaded = std::make_unique<sim::ThreadedLink>(reg_, std::move(far));
  }
  connected_ = true;
  return connection;
}

void SimHost::Disconnect() {
  const std::lock_guard lock(mutex_);
  connected_ = false;
}

}  // namespace tavirel::python
