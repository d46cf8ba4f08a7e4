#include "tavirel/sim/null_modem_link.hpp"

#include <algorithm>

namespace tavirel::sim {

using std::chrono::milliseconds;

VirtualTimeLink::VirtualTimeLink(SimulatedRegister& reg, NullModemPort& host_end,
                                 std::unique_ptr<NullModemPort> far_end,
                                 std::shared_ptr<ManualClock> clock)
    : reg_(reg), host_(host_end), far_(std::move(far_end)), clock_(std::move(clock)) {
  reg_.SetCtsListener([this](bool) { far_->SetPeerCTS(reg_.CtsAsserted(clock_->Now())); });
  far_->SetPeerCTS(reg_.CtsAsserted(clock_->Now()));
  host_.SetWaitHook([this](milliseconds slice) { OnWait(slice); });
}

VirtualTimeLink::~VirtualTimeLink() {
  host_.SetWaitHook({});
  reg_.SetCtsListener({});
}

bool VirtualTimeLink::Pump() {
  const auto now = clock_->Now();
  const std::string in = far_->TakeAll();
  if (!in.empty()) reg_.OnBytes(in, now);
  const std::string out = reg_.TakeDue(now);
  if (!out.empty()) far_->Output(out);
  far_->SetPeerCTS(reg_.CtsAsserted(now));
  return !out.empty();
}

void VirtualTimeLink::OnWait(milliseconds slice) {
  if (Pump()) return;
  const auto now = clock_->Now();
  auto target = now + slice;
  if (const auto due = reg_.NextDue(); due && *due < target) target = std::max(*due, now);
  clock_->Advance(target - now);
  Pump();
}

ThreadedLink::ThreadedLink(SimulatedRegister& reg, std::unique_ptr<NullModemPort> far_end,
                           std::shared_ptr<Clock> clock)
    : reg_(reg),
      far_(std::move(far_end)),
      clock_(clock ? std::move(clock) : std::make_shared<SteadyClock>()) {
  reg_.SetCtsListener([this](bool) { far_->SetPeerCTS(reg_.CtsAsserted(clock_->Now())); });
  far_->SetPeerCTS(reg_.CtsAsserted(clock_->Now()));
  thread_ = std::thread([this] { Run(); });
}

ThreadedLink::~ThreadedLink() {
  stop_ = true;
  thread_.join();
  reg_.SetCtsListener({});
}

std::exception_ptr ThreadedLink::Failure() const {
  std::lock_guard lock(failure_mutex_);
  return failure_;
}

void ThreadedLink::Run() {
  try {
    while (!stop_) {
      auto now = clock_->Now();
      auto wait = milliseconds(5);
      if (const auto due = reg_.NextDue()) {
        wait =
            std::clamp(std::chrono::duration_cast<milliseconds>(*due - now), milliseconds(0), wait);
      }
      far_->WaitForInput(wait);
      now = clock_->Now();
      const std::string in = far_->TakeAll();
      if (!in.empty()) reg_.OnBytes(in, now);
      const std::string out = reg_.TakeDue(now);
      if (!out.empty()) far_->Output(out);
      far_->SetPeerCTS(reg_.CtsAsserted(now));
    }
  } catch (...) {
    std::lock_guard lock(failure_mutex_);
    failure_ = std::current_exception();
  }
}

}  // namespace tavirel::sim
