#include "tavirel/sim/console.hpp"

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "state/state_json.hpp"
#include "tavirel/sim/errors.hpp"

namespace tavirel::sim {
namespace {

struct ConsoleVerb {
  std::string_view name;
  bool takes_argument;
  std::string (*run)(SimulatedRegister& reg, std::string_view argument);
};

std::string ArmSwitch(SimulatedRegister& reg, std::string_view text) {
  reg.ArmFault(ParseFaultSwitch(text));
  return {};
}

std::string ClearSwitches(SimulatedRegister& reg, std::string_view) {
  reg.ClearFaults();
  return {};
}

std::string SwitchPower(SimulatedRegister& reg, std::string_view state) {
  if (state != "on" && state != "off") throw SimError("power takes on or off");
  reg.SetPower(state == "on");
  return {};
}

std::string SwitchCts(SimulatedRegister& reg, std::string_view state) {
  if (state != "on" && state != "off") throw SimError("cts takes on or off");
  reg.SetClearToSend(state == "on");
  return {};
}

std::string PutPaperBack(SimulatedRegister& reg, std::string_view) {
  reg.RefillPaper();
  return {};
}

std::string ReadStats(SimulatedRegister& reg, std::string_view) { return StatsLine(reg.Stats()); }

std::string ReadState(SimulatedRegister& reg, std::string_view) { return StateLine(reg.Status()); }

constexpr std::array<ConsoleVerb, 7> kVerbs{{
    {"fault", true, ArmSwitch},
    {"clear", false, ClearSwitches},
    {"power", true, SwitchPower},
    {"cts", true, SwitchCts},
    {"refill", false, PutPaperBack},
    {"stats", false, ReadStats},
    {"state", false, ReadState},
}};

nlohmann::ordered_json Moment(const std::optional<CivilTime>& t) {
  if (!t) return nullptr;
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t->year, t->month, t->day,
                t->hour, t->minute, t->second);
  return text;
}

std::string_view Trim(std::string_view text) {
  const auto begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string_view::npos) return {};
  const auto end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

}  // namespace

std::string ConsoleCommand(SimulatedRegister& reg, std::string_view line) {
  const std::string_view command = Trim(line);
  const auto blank = command.find(' ');
  const std::string_view verb = command.substr(0, blank);
  const std::string_view argument =
      blank == std::string_view::npos ? std::string_view() : Trim(command.substr(blank));
  for (const ConsoleVerb& v : kVerbs) {
    if (v.name != verb) continue;
    if (v.takes_argument == argument.empty()) {
      return "ERROR " + std::string(verb) + (v.takes_argument ? " needs" : " takes no") +
             " argument";
    }
    try {
      const std::string answer = v.run(reg, argument);
      return answer.empty() ? "OK " + std::string(command) : answer;
    } catch (const SimError& e) {
      return std::string("ERROR ") + e.what();
    }
  }
  return "ERROR unknown command \"" + std::string(command.substr(0, 40)) +
         "\" (fault SWITCH, clear, power on|off, cts on|off, refill, stats, state)";
}

std::string StatsLine(const LineStats& s) {
  std::string line = "STATS";
  const auto add = [&line](std::string_view name, int value) {
    line += ' ';
    line += name;
    line += '=' + std::to_string(value);
  };
  add("frames", s.frames);
  add("checksum-errors", s.checksum_errors);
  add("acks-sent", s.acks_sent);
  add("replies-sent", s.replies_sent);
  add("host-acks", s.host_acks);
  add("ignored-bytes", s.ignored_bytes);
  add("dropped-frames", s.dropped_frames);
  add("faulted-frames", s.faulted_frames);
  for (int i = 0; i < kFaultCount; ++i)
    add(FaultName(static_cast<Fault>(i)), s.faults[static_cast<std::size_t>(i)]);
  return line;
}

std::string StateLine(const RegisterStatus& status) {
  nlohmann::ordered_json faults = nlohmann::ordered_json::array();
  for (const FaultSwitch& entry : status.faults) faults.push_back(ToString(entry));
  nlohmann::ordered_json line;
  line["power"] = status.power;
  line["cts"] = status.cts;
  line["paper_out"] = status.paper_out;
  line["printing_suspended"] = status.printing_suspended;
  line["faults"] = std::move(faults);
  line["phase"] = kPhases.at(static_cast<std::size_t>(status.phase));
  line["clock"] = Moment(status.clock);
  line["day_opened_at"] = Moment(status.day_opened_at);
  line["last_closure_at"] = Moment(status.last_closure_at);
  return line.dump();
}

}  // namespace tavirel::sim
