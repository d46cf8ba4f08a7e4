#pragma once
// Switch commands for a register running as a program of its own, one a
// line (`tavirel sim --control` reads them on standard input):
//   fault SWITCH   arm a fault switch ("fault paper-end=300", "fault noise@0.1")
//   clear        disarm every switch
//   power on|off switch the register on or off
//   cts on|off   let Clear To Send go, or hold it low (the power left as it is)
//   refill       put paper back after a paper end
//   stats        what the line saw, as one STATS line
//   state        the switches and the day, as one line of JSON
// A fault switch may fire at a rate, on the N-th command from now or on the
// next command with a code: "fault error=22:1046", "fault no-reply#3".
// Each answer is one line: "OK <command>", "STATS name=value ...", a JSON
// object, or "ERROR <what is wrong>". Thread-safe as the register is.
#include <string>
#include <string_view>

#include "tavirel/sim/simulated_register.hpp"

namespace tavirel::sim {

/// Carries out one command line on `reg`; returns the answer without newline.
std::string ConsoleCommand(SimulatedRegister& reg, std::string_view line);
/// "STATS frames=12 checksum-errors=0 ... off=0 no-ack=1 ..." (the line's
/// counters, then the switches fired by kind).
std::string StatsLine(const LineStats& stats);
/// {"power":true,"cts":true,"paper_out":false,"printing_suspended":false,
///  "faults":["error=22:1046"],"phase":"idle","clock":"2026-12-07T10:30:00",
///  "day_opened_at":null,"last_closure_at":null}: times on the register's own
/// clock; null for a day without receipts and before the first closure.
std::string StateLine(const RegisterStatus& status);

}  // namespace tavirel::sim
