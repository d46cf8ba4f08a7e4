#include "tavirel/sim/faults.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
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

constexpr std::string_view kWhenMarks = "@#:";
constexpr int kMaxCode = 9999;

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

// "#N": the N-th command from now, 1 for the next.
int ParseCommandCount(std::string_view whole, std::string_view text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 ||
      value > kMaxFaultCommands) {
    Malformed(whole, "#N counts commands from 1 to " + std::to_string(kMaxFaultCommands));
  }
  return value;
}

// ":CODE": a command code, four digits.
int ParseCode(std::string_view whole, std::string_view text) {
  int value = 0;
  const bool digits =
      text.size() == 4 && text.find_first_not_of("0123456789") == std::string_view::npos;
  if (digits) std::from_chars(text.data(), text.data() + text.size(), value);
  if (value < 1) Malformed(whole, ":CODE is a command code of four digits (1046, 1003, ...)");
  return value;
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
  FaultSwitch entry;
  const auto mark = text.find_first_of(kWhenMarks);
  std::string_view rest = text.substr(0, mark);
  if (mark != std::string_view::npos) {
    const std::string_view when = text.substr(mark + 1);
    if (when.find_first_of(kWhenMarks) != std::string_view::npos)
      Malformed(text, "a switch takes one of @RATE, #N or :CODE");
    if (text[mark] == '@') entry.rate = ParseRate(text, when);
    if (text[mark] == '#') entry.skip = ParseCommandCount(text, when) - 1;
    if (text[mark] == ':') entry.code = ParseCode(text, when);
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
  if (entry.code != 0) {
    char code[8];
    std::snprintf(code, sizeof code, ":%04d", entry.code);
    text += code;
  }
  if (entry.skip > 0) text += "#" + std::to_string(entry.skip + 1);
  return text;
}

void FaultPlan::Arm(const FaultSwitch& entry) {
  const int whens = (entry.rate != 0.0) + (entry.skip != 0) + (entry.code != 0);
  if (whens > 1 || entry.rate < 0.0 || entry.rate > 1.0 || entry.skip < 0 ||
      entry.skip >= kMaxFaultCommands || entry.code < 0 || entry.code > kMaxCode) {
    Malformed(ToString(entry), "a switch takes one of a rate, a command count or a code");
  }
  // A rate switch replaces an earlier rate for the same fault; once-switches add up.
  if (entry.rate > 0.0) {
    std::erase_if(armed_,
                  [&](const FaultSwitch& s) { return s.fault == entry.fault && s.rate > 0.0; });
  }
  armed_.push_back(entry);
}

std::vector<ActiveFault> FaultPlan::Draw(int code) {
  std::vector<ActiveFault> drawn;
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<FaultSwitch> kept;
  std::vector<Fault> once_fired;
  for (auto entry : armed_) {
    if (entry.rate > 0.0) {
      if (unit(random_) < entry.rate) drawn.push_back({entry.fault, entry.param});
      kept.push_back(entry);
    } else if (entry.code != 0 && entry.code != code) {
      kept.push_back(entry);  // not its command
    } else if (entry.skip > 0) {
      --entry.skip;  // one command nearer
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
