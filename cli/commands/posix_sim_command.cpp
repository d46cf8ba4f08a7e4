// tavirel sim: the simulated register on a pseudo-terminal until a stop
// signal. Prints "DEVICE <path>" once it serves; with --journal every printed
// line as "| text"; with --control answers switch commands read on standard
// input. Standard output goes through a bounded queue, so a reader that does
// not read never stops the register.
#include <poll.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <csignal>
#include <memory>
#include <optional>
#include <ostream>

#include "commands/commands.hpp"
#include "sim_link.hpp"
#include "tavirel/sim/console.hpp"
#include "tavirel/sim/output_queue.hpp"
#include "tavirel/support/signal_stop.hpp"

namespace tavirel::cli {
namespace {

struct SimCommandOptions {
  SimLinkOptions link;
  bool journal = false;  // print the journal
  bool control = false;  // take switch commands on standard input
};

// What is queued gets this long to reach a reader at the end.
constexpr auto kFlushGrace = std::chrono::milliseconds(200);
constexpr int kFailureCheckMs = 1000;

// Standard input, split into lines as it arrives.
class LineReader {
 public:
  bool open = true;
  std::vector<std::string> Read(int fd) {
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return {};
    if (n <= 0) {
      open = false;  // its end: the register serves on
      return {};
    }
    pending_.append(buffer, static_cast<std::size_t>(n));
    std::vector<std::string> lines;
    for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
      lines.push_back(pending_.substr(0, end));
      pending_.erase(0, end + 1);
    }
    if (pending_.size() > 4096) pending_.clear();  // no command is that long
    return lines;
  }

 private:
  std::string pending_;
};

// Serves until a stop signal, answering console commands when asked to;
// checks once a second that the register still serves.
void ServeUntilStopped(SimLink& sim, int signals_fd, bool control, sim::OutputQueue& out) {
  LineReader input;
  input.open = control;
  for (;;) {
    pollfd fds[2] = {{signals_fd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    const int ready = ::poll(fds, input.open ? 2 : 1, kFailureCheckMs);
    if (ready < 0 && errno != EINTR) throw std::runtime_error("poll failed");
    if (fds[0].revents & POLLIN) return;
    if (auto failure = sim.Failure()) std::rethrow_exception(failure);
    if (input.open && fds[1].revents != 0) {
      for (const std::string& line : input.Read(STDIN_FILENO))
        out.Write(sim::ConsoleCommand(sim.Register(), line) + "\n");
    }
  }
}

int RunSim(const SimCommandOptions& options, Streams& streams) {
  // Taken before any thread starts, so only the watching thread gets them.
  const support::SignalStop stop;
  ::signal(SIGPIPE, SIG_IGN);  // a reader that is gone is the queue's to count
  ::signal(SIGXFSZ, SIG_IGN);  // a file size limit is a write error, refused like a full disk
  SimLink sim(options.link);
  streams.out << "DEVICE " << sim.DevicePath() << std::endl;
  sim::OutputQueue out(STDOUT_FILENO);
  std::optional<std::size_t> journal;
  if (options.journal) {
    journal = sim.Register().SubscribeJournal(
        [&out](const sim::PrintedLine& line) { out.Write("| " + line.text + "\n"); });
  }
  ServeUntilStopped(sim, stop.WakeFd(), options.control, out);
  if (journal) sim.Register().UnsubscribeJournal(*journal);
  out.Stop(kFlushGrace);
  if (out.Dropped() > 0) {
    streams.err << "tavirel sim: " << out.Dropped()
                << " lines of output dropped: nobody read them in time" << std::endl;
  }
  return 0;
}

void AddOptions(CLI::App& sim, SimCommandOptions& o) {
  SimLinkOptions& l = o.link;
  sim.add_option("--link", l.link_path,
                 "Also reachable at this symbolic link (a path that "
                 "exists is refused)")
      ->type_name("PATH");
  sim.add_flag("--lire", l.lire, "A new register in lire (euro otherwise)");
  sim.add_option("--serial", l.serial, "The fiscal serial number of a new register (123456)")
      ->type_name("N")
      ->check(CLI::Range(0, 999999));
  sim.add_option("--state", l.state_path, "Keep the register's state in this file")
      ->type_name("FILE");
  sim.add_option("--paper", l.paper_path,
                 "Append one JSON line to this file for every document the register finishes")
      ->type_name("FILE");
  sim.add_flag("--realistic,--pace", l.pace, "Realistic line speed and printing times");
  sim.add_option("--fault", l.faults,
                 "A fault switch, repeatable: off, no-ack, no-reply, ack-delay=MS, "
                 "reply-delay=MS, bad-checksum, noise, trailing, error=N, paper-end, long, "
                 "short. Fires once, on the next command; NAME#N on the N-th command, "
                 "NAME:CODE on the next command with that code (error=22:1046), "
                 "NAME@RATE on each command at that rate")
      ->type_name("FAULT");
  sim.add_option("--seed", l.seed, "Seed of the random fault switches (1)")->type_name("N");
  sim.add_flag("--journal", o.journal, "Print every line the register prints, as \"| text\"");
  sim.add_flag("--control", o.control,
               "Take switch commands on standard input, one a line: fault SWITCH, clear, "
               "power on|off, cts on|off, refill, stats, state (one line of JSON)");
}

}  // namespace

void AddSimCommand(CLI::App& app, Runner& run) {
  auto options = std::make_shared<SimCommandOptions>();
  CLI::App* sim = app.add_subcommand("sim",
                                     "Run the simulated register on a pseudo-terminal until "
                                     "SIGINT, SIGTERM or SIGHUP; print \"DEVICE <path>\"");
  AddOptions(*sim, *options);
  sim->footer(
      "\nExamples:\n  tavirel sim --link /tmp/register --journal\n"
      "  tavirel call --device /tmp/register 'opReadMatrFisc 1' 'LastMatrFisc'\n"
      "  tavirel sim --state day.json --paper day.jsonl --fault error=23@0.1\n"
      "  tavirel sim --fault paper-end:1003 --fault no-reply#5 --control");
  sim->callback(
      [options, &run] { run = [options](Streams& streams) { return RunSim(*options, streams); }; });
}

}  // namespace tavirel::cli
