#pragma once
// Shared by the fuzz targets: a finding aborts with a message, and a printer
// on the far end of the in-memory null-modem pair answers in virtual time, so
// an exchange with its timeouts runs without sleeping.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tavirel/clock.hpp"
#include "tavirel/null_modem.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::fuzz {

using std::chrono::milliseconds;

/// A broken invariant: report it and abort, so libFuzzer keeps the input.
[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, "FUZZ FINDING: %s\n", what.c_str());
  std::abort();
}

inline void Require(bool condition, const std::string& what) {
  if (!condition) Fail(what);
}

/// A reply frame around `payload` with a right checksum.
inline std::string ReplyFrame(const std::string& payload) {
  const std::string body = "01R" + payload;
  unsigned sum = 0;
  for (unsigned char c : body) sum += c;
  return "\x02" + body + static_cast<char>('0' + sum % 100 / 10) +
         static_cast<char>('0' + sum % 10) + "\x03";
}

struct Step {
  milliseconds at;  // after the request's ETX reached the printer
  std::string bytes;
};

class VirtualPrinter {
 public:
  /// Gives the steps that answer one request frame.
  using Responder = std::function<std::vector<Step>(const std::string& request)>;
  /// More waits than any limit allows (120 s in 20 ms slices, with room):
  /// beyond it the wait loop is taken as hung.
  static constexpr long kMaxWaits = 20'000;

  VirtualPrinter() : clock_(std::make_shared<ManualClock>()) {
    auto [host, far] = MakeNullModemPair();
    host_ = host.get();
    host_port_ = std::move(host);
    far_ = std::move(far);
    clock_->Set(Clock::time_point(std::chrono::hours(1)));
    host_->SetWaitHook([this](milliseconds slice) { Tick(slice); });
  }

  void SetResponder(Responder responder) { responder_ = std::move(responder); }

  /// A control on the host end with the manual clock, in `euro` mode; the
  /// port opened without the probe when `open` is set.
  std::unique_ptr<TavirelControl> MakeControl(std::int32_t euro, bool open = true) {
    auto control = std::make_unique<TavirelControl>(std::move(host_port_), clock_);
    control->InitProperties();
    control->EuroSettings(euro);
    if (open) control->Port().PortOpen(true);
    return control;
  }

  [[nodiscard]] Clock::time_point Now() { return clock_->Now(); }
  /// Every byte the driver wrote.
  [[nodiscard]] std::string Written() const { return far_->Received(); }
  [[nodiscard]] int Requests() const { return requests_; }
  [[nodiscard]] NullModemPort& far() { return *far_; }

 private:
  void Tick(milliseconds slice) {
    if (++waits_ > kMaxWaits) Fail("the wait loop does not end");
    Collect();
    // A port's wait ends when input comes: move on to the next byte due, at
    // most by the slice.
    auto step = std::chrono::steady_clock::duration(slice);
    if (!pending_.empty()) {
      step = std::min(step, std::max(std::chrono::steady_clock::duration::zero(),
                                     pending_.front().first - clock_->Now()));
    }
    clock_->Advance(step);
    Deliver();
  }

  void Collect() {
    for (char c : far_->TakeAll()) {
      if (c == '\x02') request_.clear();
      request_ += c;
      if (c != '\x03') continue;
      ++requests_;
      const auto now = clock_->Now();
      if (responder_) {
        for (auto& step : responder_(request_))
          pending_.push_back({now + step.at, std::move(step.bytes)});
      }
      request_.clear();
    }
  }

  void Deliver() {
    const auto now = clock_->Now();
    while (!pending_.empty() && pending_.front().first <= now) {
      far_->Output(pending_.front().second);
      pending_.pop_front();
    }
  }

  std::shared_ptr<ManualClock> clock_;
  NullModemPort* host_ = nullptr;
  std::unique_ptr<NullModemPort> host_port_;
  std::unique_ptr<NullModemPort> far_;
  Responder responder_;
  std::string request_;
  std::deque<std::pair<Clock::time_point, std::string>> pending_;
  long waits_ = 0;
  int requests_ = 0;
};

}  // namespace tavirel::fuzz
