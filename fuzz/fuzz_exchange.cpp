// The receive side of the exchange: whatever the printer sends, and whenever,
// the call returns a result code (or throws an error of the call) within its
// limit, writes exactly one request and at most one ACK, and raises FPError as
// the result requires.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "link/frame.hpp"
#include "tavirel/cp1252.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::fuzz {
namespace {

struct Call {
  const char* name;  // "" for the probe of PortOpen
  std::vector<Variant> args;
  int limit_seconds;  // the longest wait: the ACK's 3 s or the reply's limit
};

const std::vector<Call>& Calls() {
  static const std::vector<Call> calls = {
      {"", {}, 3},
      {"opReadDataOra", {}, 5},
      {"opReparto",
       {std::int16_t{1}, std::string("CAFFÈ"), Currency::FromUnits(1), std::int16_t{1}},
       10},
      {"opContante", {std::int16_t{1}}, 10},
      {"opSubTot", {std::int16_t{1}}, 10},
      {"opXTotFinGior", {std::int16_t{1}}, 20},
      {"opZFiscMem", {std::int16_t{1}}, 120},
  };
  return calls;
}

// Rewrites the checksum digits of the last STX ... ETX so the frame passes,
// which lets the fuzzer reach what lies behind the check.
void FixLastChecksum(std::string& stream) {
  const auto etx = stream.rfind('\x03');
  if (etx == std::string::npos) return;
  const auto stx = stream.rfind('\x02', etx);
  if (stx == std::string::npos || etx - stx < 4) return;
  unsigned sum = 0;
  for (std::size_t i = stx + 1; i + 2 < etx; ++i) sum += static_cast<unsigned char>(stream[i]);
  stream[etx - 2] = static_cast<char>('0' + sum % 100 / 10);
  stream[etx - 1] = static_cast<char>('0' + sum % 10);
}

// The printer's bytes as chunks at increasing times.
std::vector<Step> Steps(FuzzedDataProvider& in) {
  const bool fix = in.ConsumeBool();
  std::vector<Step> steps;
  milliseconds at{0};
  while (in.remaining_bytes() > 0) {
    at += milliseconds(in.ConsumeIntegralInRange(0, 4000));
    steps.push_back({at, in.ConsumeRandomLengthString(256)});
  }
  if (fix && !steps.empty()) FixLastChecksum(steps.back().bytes);
  return steps;
}

struct Event {
  std::int16_t level;
  std::int32_t code;
};

void Check(const Call& call, std::int16_t result, std::int16_t counter_before,
           const std::string& command, const std::string& written, const std::vector<Event>& events,
           milliseconds waited, std::int16_t counter_after) {
  const bool probe = call.name[0] == '\0';
  Require(waited <= std::chrono::seconds(call.limit_seconds + 1),
          "the call waited " + std::to_string(waited.count()) + " ms");
  const std::string request = link::BuildRequestFrame(counter_before, cp1252::FromUtf8(command));
  Require(written.compare(0, request.size(), request) == 0, "the request is not what was framed");
  const std::string after = written.substr(request.size());
  Require(after.empty() || after == "\x06", "more than one request and one ACK were written");
  Require(counter_after == link::NextFrameCounter(counter_before, probe),
          "the counter did not advance");
  if (probe) {
    Require(events.empty(), "the probe raised FPError");
    return;
  }
  switch (result) {
    case OP_OK:
      Require(after == "\x06" && events.empty(), "OP_OK without its ACK, or with an event");
      break;
    case EERR:
      Require(after == "\x06" && events.size() <= 1, "EERR without its ACK");
      for (const Event& e : events) Require(e.level == EERR, "EERR raised another level");
      break;
    case OP_ERR_TIMEOUT:
    case OP_ERR_CHKS:
      Require(after.empty(), "a failed exchange was acknowledged");
      Require(events.size() == 1 && events[0].level == result && events[0].code == 0,
              "wrong FPError");
      break;
    default: Fail("unexpected result " + std::to_string(result));
  }
}

}  // namespace
}  // namespace tavirel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavirel;
  using namespace tavirel::fuzz;
  FuzzedDataProvider in(data, size);
  const Call& call = Calls()[in.ConsumeIntegralInRange<std::size_t>(0, Calls().size() - 1)];
  std::vector<Step> steps = Steps(in);

  ScriptedPrinter printer;
  bool answered = false;
  const bool probe = call.name[0] == '\0';
  auto control = Connect(
      printer,
      [&](const std::string&) {
        if (answered) Fail("a second request went out");
        answered = true;
        return steps;
      },
      TVL_EUROSETTINGS_EURO, !probe);
  std::vector<Event> events;
  HostHooks hooks;
  hooks.fp_error = [&](std::int16_t& level, std::int32_t& code) {
    events.push_back({level, code});
  };
  control->SetHooks(hooks);

  const std::int16_t counter_before = probe ? 1 : control->FrameCounter();
  const auto start = printer.clock().Now();
  std::int16_t result = OP_OK;
  std::string command = "4201";
  try {
    if (probe) {
      control->PortOpen();
    } else {
      result = control->RunOperation(call.name, call.args);
    }
    command = control->CurrentCommand();
  } catch (const ConversionError&) {
    return 0;  // a reply field that does not read as a number: an error of the call
  }
  const auto waited = std::chrono::duration_cast<milliseconds>(printer.clock().Now() - start);
  Check(call, result, counter_before, command, printer.Written(), events, waited,
        control->FrameCounter());
  return 0;
}
