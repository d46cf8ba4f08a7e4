#pragma once
// Shared by the fuzz targets: a finding aborts with a message, and the test
// suites' scripted printer answers on the far end of the in-memory
// null-modem pair in virtual time, so an exchange with its timeouts runs
// without sleeping.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "support/scripted_printer.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::fuzz {

using std::chrono::milliseconds;
using testing::ReplyFrame;
using testing::ScriptedPrinter;
using testing::Step;

/// A broken invariant: report it and abort, so libFuzzer keeps the input.
[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, "FUZZ FINDING: %s\n", what.c_str());
  std::abort();
}

inline void Require(bool condition, const std::string& what) {
  if (!condition) Fail(what);
}

/// More waits than any limit allows (120 s in 20 ms slices, with room):
/// beyond it the wait loop is taken as hung.
inline constexpr long kMaxWaits = 20'000;

/// The printer answering with `responder`, its wait loop watched for hangs.
/// Returns a control on its host end in `euro` mode, the port opened
/// without the probe when `open` is set.
inline std::unique_ptr<TavirelControl> Connect(ScriptedPrinter& printer,
                                               ScriptedPrinter::Responder responder,
                                               std::int32_t euro, bool open = true) {
  printer.SetResponder(std::move(responder));
  printer.SetWaitLimit(kMaxWaits, [] { Fail("the wait loop does not end"); });
  auto control = printer.MakeControl(euro);
  if (open) control->Port().PortOpen(true);
  return control;
}

}  // namespace tavirel::fuzz
