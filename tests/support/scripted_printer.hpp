#pragma once
// A printer played by the test on the far end of a null-modem pair, in
// virtual time: each time the driver would wait on the port, the clock moves
// on to the printer's next byte, at most by the wait's slice (as a port's
// wait ends when input comes), and the printer delivers what it has due.
#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tavirel/clock.hpp"
#include "tavirel/null_modem.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::testing {

using std::chrono::milliseconds;

inline constexpr char STX = '\x02';
inline constexpr char ETX = '\x03';
inline constexpr char ACK = '\x06';

/// A reply frame with a right checksum: STX, counter, "E", payload, checksum, ETX.
inline std::string ReplyFrame(const std::string& payload, const std::string& counter = "01") {
  std::string body = counter + "E" + payload;
  int sum = 0;
  for (unsigned char c : body) sum += c;
  const int check = sum % 100;
  return std::string(1, STX) + body + static_cast<char>('0' + check / 10) +
         static_cast<char>('0' + check % 10) + ETX;
}

/// An error reply whose number sits at frame positions 10-11.
inline std::string ErrorFrame(int number) {
  std::string digits = {static_cast<char>('0' + number / 10 % 10),
                        static_cast<char>('0' + number % 10)};
  return ReplyFrame("EERR " + digits);
}

struct Step {
  milliseconds at;  // after the request's ETX reached the printer
  std::string bytes;
};

class ScriptedPrinter {
 public:
  /// Gives the steps that answer one request frame (STX to ETX).
  using Responder = std::function<std::vector<Step>(const std::string& request)>;

  ScriptedPrinter() : clock_(std::make_shared<ManualClock>()) {
    auto [host, far] = MakeNullModemPair();
    host_ = host.get();
    far_ = std::move(far);
    host_port_ = std::move(host);
    host_->SetWaitHook([this](milliseconds slice) { Tick(slice); });
    clock_->Set(Clock::time_point(std::chrono::hours(1)));
    clock_->SetKeepsPortTime(true);  // moved by what each wait asked
  }

  /// The host end, to hand to a control (once).
  std::unique_ptr<NullModemPort> TakeHostPort() { return std::move(host_port_); }
  /// A control on the host end, with the manual clock, euro mode, open port.
  std::unique_ptr<TavirelControl> MakeControl(std::int32_t euro = TVL_EUROSETTINGS_EURO) {
    auto control = std::make_unique<TavirelControl>(TakeHostPort(), clock_);
    control->InitProperties();
    control->EuroSettings(euro);
    return control;
  }

  /// The answer to the next request: ACK at once, the frame right after.
  void Answer(const std::string& frame) {
    Script({{milliseconds(0), std::string(1, ACK) + frame}});
  }
  void AnswerPayload(const std::string& payload) { Answer(ReplyFrame(payload)); }
  /// A whole script for the next request.
  void Script(std::vector<Step> steps) { scripts_.push_back(std::move(steps)); }
  /// A request with no script gets nothing at all.
  void Silent() { scripts_.push_back({}); }
  /// From now on every request is answered by `responder` instead of the scripts.
  void SetResponder(Responder responder) { responder_ = std::move(responder); }
  /// Calls `exceeded` on each wait beyond `max_waits` slices in all: a wait
  /// loop that does not end.
  void SetWaitLimit(long max_waits, std::function<void()> exceeded) {
    max_waits_ = max_waits;
    wait_limit_exceeded_ = std::move(exceeded);
  }
  /// Request frames the printer has seen whole.
  [[nodiscard]] int Requests() const { return requests_; }

  /// Bytes the driver wrote, everything since the last call.
  std::string TakeWritten() {
    std::string all = far_->Received();
    std::string fresh = all.substr(seen_);
    seen_ = all.size();
    return fresh;
  }
  /// Every byte the driver wrote.
  std::string Written() const { return far_->Received(); }

  /// Makes the clock run `rate` times as fast as the port's waits: a wait
  /// of d moves the clock by rate * d (a clock running ahead of real time).
  void SetClockRate(int rate) {
    rate_ = rate;
    clock_->SetKeepsPortTime(rate == 1);
  }

  /// Every wait the driver asked for, in order (the slices it offered).
  [[nodiscard]] const std::vector<milliseconds>& WaitSlices() const { return slices_; }
  NullModemPort& far() { return *far_; }
  NullModemPort& host() { return *host_; }
  ManualClock& clock() { return *clock_; }
  std::shared_ptr<ManualClock> clock_ptr() { return clock_; }
  /// Virtual time since the printer was made.
  milliseconds Elapsed() {
    return std::chrono::duration_cast<milliseconds>(clock_->Now().time_since_epoch() -
                                                    std::chrono::hours(1));
  }

 private:
  void Tick(milliseconds slice) {
    slices_.push_back(slice);
    if (wait_limit_exceeded_ && ++waits_ > max_waits_) wait_limit_exceeded_();
    CollectRequests();
    auto step = std::chrono::steady_clock::duration(slice) * rate_;
    if (!pending_.empty()) {
      step = std::min(step, std::max(std::chrono::steady_clock::duration::zero(),
                                     pending_.front().first - clock_->Now()));
    }
    clock_->Advance(step);
    Deliver();
  }

  void CollectRequests() {
    const std::string incoming = far_->TakeAll();
    for (char c : incoming) {
      if (c == STX) request_.clear();
      request_ += c;
      if (c != ETX) continue;
      ++requests_;
      const auto now = clock_->Now();
      if (responder_) {
        for (auto& step : responder_(request_)) pending_.push_back({now + step.at, step.bytes});
      } else if (!scripts_.empty()) {
        for (auto& step : scripts_.front()) pending_.push_back({now + step.at, step.bytes});
        scripts_.pop_front();
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
  std::deque<std::vector<Step>> scripts_;
  std::deque<std::pair<Clock::time_point, std::string>> pending_;
  std::size_t seen_ = 0;
  std::vector<milliseconds> slices_;
  int rate_ = 1;
  Responder responder_;
  std::string request_;
  int requests_ = 0;
  long waits_ = 0;
  long max_waits_ = 0;
  std::function<void()> wait_limit_exceeded_;
};

}  // namespace tavirel::testing
