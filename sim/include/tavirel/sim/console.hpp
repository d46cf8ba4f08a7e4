#pragma once
// Switch commands for a register running as a program of its own, one a
// line (`tavirel sim --control` reads them on standard input):
//   fault SWITCH   arm a fault switch ("fault paper-end=300", "fault noise@0.1")
//   clear        disarm every switch
//   power on|off switch the register on or off
//   refill       put paper back after a paper end
//   stats        what the line saw, as one STATS line
// Each answer is one line: "OK <command>", "STATS name=value ...", or
// "ERROR <what is wrong>". Thread-safe as the register is.
#include <string>
#include <string_view>

#include "tavirel/sim/simulated_register.hpp"

namespace tavirel::sim {

/// Carries out one command line on `reg`; returns the answer without newline.
std::string ConsoleCommand(SimulatedRegister& reg, std::string_view line);
/// "STATS frames=12 checksum-errors=0 ... off=0 no-ack=1 ..." (the line's
/// counters, then the switches fired by kind).
std::string StatsLine(const LineStats& stats);

}  // namespace tavirel::sim
