// Two serial components wired together in memory. All state lives in one
// Shared block under one mutex; side i reads queue i and writes queue 1-i.
#include "tavirel/null_modem.hpp"

#include <array>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

#include "tavirel/errors.hpp"
#include "tavirel/line_settings.hpp"

namespace tavirel {

struct NullModemPort::Shared {
  struct End {
    std::deque<char> waiting;  // received, not yet taken
    std::string written;
    std::string received;
    bool cts = true;           // as the other end set it
    bool hung_up = false;      // the other end hung up on this one
    bool interrupted = false;  // an Interrupt not yet taken by a wait
    bool open = false;
    std::string settings = "9600,n,8,1";
    std::int16_t port = 1;
  };

  std::mutex mutex;
  std::condition_variable arrived;
  std::array<End, 2> ends;
};

namespace {

using Lock = std::unique_lock<std::mutex>;

int OtherSide(int side) { return 1 - side; }

void ThrowIfHungUp(const NullModemPort::Shared::End& end) {
  if (end.hung_up) throw SerialError("null-modem port: the other end hung up");
}

}  // namespace

NullModemPort::NullModemPort(std::shared_ptr<Shared> shared, int side)
    : shared_(std::move(shared)), side_(side) {
  if (!shared_ || (side_ != 0 && side_ != 1))
    throw SerialError("null-modem port: needs a pair and a side of 0 or 1");
}

NullModemPort::~NullModemPort() = default;

void NullModemPort::PortOpen(bool open) {
  std::lock_guard lock(shared_->mutex);
  shared_->ends[side_].open = open;
}

bool NullModemPort::PortOpen() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->ends[side_].open;
}

bool NullModemPort::CTSHolding() {
  std::lock_guard lock(shared_->mutex);
  const auto& end = shared_->ends[side_];
  return end.open && end.cts;
}

int NullModemPort::InBufferCount() {
  std::lock_guard lock(shared_->mutex);
  const auto& end = shared_->ends[side_];
  ThrowIfHungUp(end);
  return static_cast<int>(end.waiting.size());
}

std::string NullModemPort::Input() {
  std::lock_guard lock(shared_->mutex);
  auto& end = shared_->ends[side_];
  ThrowIfHungUp(end);
  if (end.waiting.empty()) return {};
  std::string one(1, end.waiting.front());
  end.waiting.pop_front();
  return one;
}

void NullModemPort::Output(std::string_view bytes) {
  {
    std::lock_guard lock(shared_->mutex);
    auto& mine = shared_->ends[side_];
    auto& peer = shared_->ends[OtherSide(side_)];
    ThrowIfHungUp(mine);
    mine.written.append(bytes);
    peer.received.append(bytes);
    peer.waiting.insert(peer.waiting.end(), bytes.begin(), bytes.end());
  }
  shared_->arrived.notify_all();
}

void NullModemPort::WaitForInput(std::chrono::milliseconds slice) {
  Lock lock(shared_->mutex);
  auto& end = shared_->ends[side_];
  ThrowIfHungUp(end);
  if (!end.waiting.empty()) return;
  if (std::exchange(end.interrupted, false)) return;
  if (wait_hook_) {
    // The hook may write from the other end: it must run without the lock.
    lock.unlock();
    wait_hook_(slice);
    return;
  }
  shared_->arrived.wait_for(
      lock, slice, [&end] { return !end.waiting.empty() || end.hung_up || end.interrupted; });
  end.interrupted = false;
  ThrowIfHungUp(end);
}

void NullModemPort::Interrupt() noexcept {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->ends[side_].interrupted = true;
  }
  shared_->arrived.notify_all();
}

std::string NullModemPort::Settings() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->ends[side_].settings;
}

void NullModemPort::Settings(const std::string& text) {
  LineSettings::Parse(text);
  std::lock_guard lock(shared_->mutex);
  shared_->ends[side_].settings = text;
}

std::int16_t NullModemPort::CommPort() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->ends[side_].port;
}

void NullModemPort::CommPort(std::int16_t port) {
  std::lock_guard lock(shared_->mutex);
  auto& end = shared_->ends[side_];
  // Same rule as the device port: only a change is refused while open.
  if (port == end.port) return;
  if (end.open) {
    throw SerialError("null-modem port: cannot change the port number to " + std::to_string(port) +
                      " while the port is open");
  }
  end.port = port;
}

void NullModemPort::SetPeerCTS(bool asserted) {
  std::lock_guard lock(shared_->mutex);
  shared_->ends[OtherSide(side_)].cts = asserted;
}

std::string NullModemPort::Written() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->ends[side_].written;
}

std::string NullModemPort::Received() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->ends[side_].received;
}

void NullModemPort::ClearLogs() {
  std::lock_guard lock(shared_->mutex);
  auto& end = shared_->ends[side_];
  end.written.clear();
  end.received.clear();
}

std::string NullModemPort::TakeAll() {
  std::lock_guard lock(shared_->mutex);
  auto& end = shared_->ends[side_];
  std::string all(end.waiting.begin(), end.waiting.end());
  end.waiting.clear();
  return all;
}

void NullModemPort::HangUpPeer() {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->ends[OtherSide(side_)].hung_up = true;
  }
  shared_->arrived.notify_all();
}

void NullModemPort::SetWaitHook(std::function<void(std::chrono::milliseconds)> hook) {
  wait_hook_ = std::move(hook);
}

std::pair<std::unique_ptr<NullModemPort>, std::unique_ptr<NullModemPort>> MakeNullModemPair() {
  auto shared = std::make_shared<NullModemPort::Shared>();
  return {std::make_unique<NullModemPort>(shared, 0), std::make_unique<NullModemPort>(shared, 1)};
}

}  // namespace tavirel
