#include "tavirel/sim/faults.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>

#include "tavirel/sim/errors.hpp"

namespace tavirel::sim {
namespace {

constexpr std::array<std::pair<Fault, std::string_view>, kFaultCount> kNames{{
    {Fault::Off, "off"},
    {Fault::NoAck, "no-ack"},
    {Fault::NoReply, "no-reply"},
    {Fault::AckDelay, "ack-delay"},
    {Fault::ReplyDelay, "reply-delay"},
    {Fault::BadChecksum, "bad-checksum"},
    {Fault::Noise, "noise"},
    {Fault::Trailing, "trailing"},
    {Fault::Error, "error"},
    {Fault::PaperEnd, "paper-end"},
    {Fault::LongReply, "long"},
    {Fault::ShortReply, "short"},
}};

[[noreturn]] void Malformed(std::string_view text, std::string_view why) {
  throw SimError("fault switch \"" + std::string(text) + "\": " + std::string(why));
}

int ParseParam(std::string_view whole, std::string_view text, Fault fault) {
  if (fault == Fault::Error && text == "blank") return -1;
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 0) {
    Malformed(whole, "the parameter is not a whole number");
  }
  return value;
}

double ParseRate(std::string_view whole, std::string_view text) {
  try {
    std::size_t used = 0;
    const double rate = std::stod(std::string(text), &used);
    if (used == text.size() && rate > 0.0 && rate <= 1.0) return rate;
  } catch (const std::exception&) {
  }
  Malformed(whole, "the rate must be a number above 0 and at most 1");
}

}  // namespace

std::string_view FaultName(Fault fault) {
  for (const auto& [f, name] : kNames) {
    if (f == fault) return name;
  }
  return "";
}

std::optional<Fault> FaultByName(std::string_view name) {
  for (const auto& [f, n] : kNames) {
    if (n == name) return f;
  }
  return std::nullopt;
}

FaultSwitch ParseFaultSwitch(std::string_view text) {
  std::string_view rest = text;
  FaultSwitch entry;
  if (auto at = rest.find('@'); at != std::string_view::npos) {
    entry.rate = ParseRate(text, rest.substr(at + 1));
    rest = rest.substr(0, at);
  }
  std::string_view param;
  if (auto eq = rest.find('='); eq != std::string_view::npos) {
    param = rest.substr(eq + 1);
    rest = rest.substr(0, eq);
  }
  auto fault = FaultByName(rest);
  if (!fault) Malformed(text, "unknown switch");
  entry.fault = *fault;
  if (!param.empty()) entry.param = ParseParam(text, param, *fault);
  return entry;
}

std::string ToString(const FaultSwitch& entry) {
  std::string text(FaultName(entry.fault));
  if (entry.param != 0)
    text += "=" + (entry.param < 0 ? std::string("blank") : std::to_string(entry.param));
  if (entry.rate > 0.0) {
    std::string rate = std::to_string(entry.rate);
    while (rate.size() > 1 && rate.back() == '0') rate.pop_back();
    text += "@" + rate;
  }
  return text;
}

void FaultPlan::Arm(const FaultSwitch& entry) {
  // A rate switch replaces an earlier rate for the same fault; once-switches add up.
  if (entry.rate > 0.0) {
    std::erase_if(armed_,
                  [&](const FaultSwitch& s) { return s.fault == entry.fault && s.rate > 0.0; });
  }
  armed_.push_back(entry);
}

std::vector<ActiveFault> FaultPlan::Draw() {
  std::vector<ActiveFault> drawn;
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<FaultSwitch> kept;
  std::vector<Fault> once_fired;
  for (const auto& entry : armed_) {
    if (entry.rate > 0.0) {
      if (unit(random_) < entry.rate) drawn.push_back({entry.fault, entry.param});
      kept.push_back(entry);
    } else if (std::find(once_fired.begin(), once_fired.end(), entry.fault) == once_fired.end()) {
      drawn.push_back({entry.fault, entry.param});
      once_fired.push_back(entry.fault);
    } else {
      kept.push_back(entry);  // a second once-switch of the same fault waits for the next command
    }
  }
  armed_ = std::move(kept);
  return drawn;
}

}  // namespace tavirel::sim
