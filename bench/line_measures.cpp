#include "line_measures.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

#include "tavirel/posix_serial_port.hpp"
#include "tavirel/sim/pty_server.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::bench {
namespace {

using Steady = std::chrono::steady_clock;
using std::chrono::duration;
using std::chrono::milliseconds;

constexpr int kLinesPerReceipt = 10;

std::unique_ptr<TavirelControl> OpenControl(const std::string& device) {
  auto control = std::make_unique<TavirelControl>(PosixSerialPort::ForDevice(device));
  control->InitProperties();
  control->EuroSettings(TVL_EUROSETTINGS_EURO);
  control->PortOpen();
  return control;
}

void Expect(std::int16_t result, const char* what) {
  if (result != OP_OK)
    throw std::runtime_error(std::string(what) + " returned " + std::to_string(result));
}

std::int16_t SaleLine(TavirelControl& control, int line) {
  return control.opReparto(1, "ARTICOLO " + std::to_string(line),
                           Currency::FromRaw(1500 + 100 * (line % 50)), 1);
}

// The high-water mark of a process's resident memory, in KiB.
long HighWaterKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  throw std::runtime_error("no VmHWM for process " + std::to_string(pid));
}

// The resident memory of a process now, in KiB.
long ResidentKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  throw std::runtime_error("no VmRSS for process " + std::to_string(pid));
}

// Starts the program with OPs on its standard input (kept open, so it waits
// for more once they are done) and its output thrown away, or given to
// `output` when asked for.
pid_t StartWithInput(const std::vector<std::string>& argv, int& input, int* output = nullptr) {
  int pipe_fds[2];
  int out_fds[2] = {-1, -1};
  if (::pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
  if (output != nullptr && ::pipe(out_fds) != 0) throw std::runtime_error("pipe failed");
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(pipe_fds[0], 0);
    dup2(output != nullptr ? out_fds[1] : null, 1);
    dup2(null, 2);
    ::close(pipe_fds[1]);
    if (output != nullptr) ::close(out_fds[0]);
    execv(args[0], args.data());
    _exit(127);
  }
  ::close(pipe_fds[0]);
  input = pipe_fds[1];
  if (output != nullptr) {
    ::close(out_fds[1]);
    *output = out_fds[0];
  }
  return pid;
}

void WriteAll(int fd, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) throw std::runtime_error("cannot write to tavirel call");
    done += static_cast<std::size_t>(n);
  }
}

// Reads answers until `lines` more have come.
void AwaitAnswers(int fd, long lines) {
  char chunk[65536];
  while (lines > 0) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n <= 0) throw std::runtime_error("tavirel call ended early");
    for (ssize_t i = 0; i < n; ++i) lines -= chunk[i] == '\n' ? 1 : 0;
  }
}

// One batch of a session: 200 receipts of three lines, subtotal and cash,
// then a fiscal closure, so that the register's receipt numbers never run out.
constexpr long kBatchOps = 200 * 5 + 1;
std::string Batch() {
  std::string ops;
  for (int i = 0; i < 200; ++i) {
    for (int line = 0; line < 3; ++line)
      ops += "opReparto 1 \"ARTICOLO " + std::to_string(line) + "\" 1.50 1\n";
    ops += "opSubTot 1\nopContante 1\n";
  }
  return ops + "opZChiusuraFisc 1\n";
}

}  // namespace

Row MeasureRoundTrips(int rounds) {
  auto simulator = sim::StartOnPty(sim::SimOptions{});
  auto control = OpenControl(simulator.server->DevicePath());
  const Stats rate = Rounds(rounds, [&] {
    duration<double> in_lines{0};
    for (int i = 0; i < 100; ++i) {
      const auto t0 = Steady::now();
      Expect(SaleLine(*control, i), "opReparto");
      in_lines += Steady::now() - t0;
    }
    Expect(control->opContante(1), "opContante");
    return 100 / in_lines.count();
  });
  return {"sale lines over a pty against the simulated register, no pacing",
          "1/s",
          rate,
          "",
          {},
          ">= 10000",
          rate.median >= 10000};
}

Row MeasureWireRatio(int rounds) {
  sim::SimOptions options;
  options.pacing.line_speed = true;
  options.pacing.line = LineSettings::Parse("9600,n,8,1");
  auto simulator = sim::StartOnPty(options);
  auto control = OpenControl(simulator.server->DevicePath());
  std::size_t crossed = 0;
  HostHooks hooks;
  hooks.trace = [&crossed](TraceDirection, std::string_view bytes, Steady::time_point) {
    crossed += bytes.size();
  };
  control->SetHooks(hooks);
  const Stats ratio = Rounds(rounds, [&] {
    crossed = 0;
    const auto t0 = Steady::now();
    for (int i = 0; i < kLinesPerReceipt; ++i) Expect(SaleLine(*control, i), "opReparto");
    Expect(control->opSubTot(1), "opSubTot");
    Expect(control->opContante(1), "opContante");
    const duration<double> took = Steady::now() - t0;
    return took.count() / (static_cast<double>(crossed) * 10.0 / 9600.0);
  });
  return {"10-line receipt at 9600 baud: time / wire time",
          "",
          ratio,
          "",
          {},
          "<= 1.05",
          ratio.median <= 1.05};
}

std::vector<Row> MeasureCallMemory(const std::string& cli) {
  auto simulator = sim::StartOnPty(sim::SimOptions{});
  int input = -1;
  const pid_t pid =
      StartWithInput({cli, "call", "--device", simulator.server->DevicePath(), "-"}, input);
  std::string ops;
  for (int i = 0; i < kLinesPerReceipt; ++i)
    ops += "opReparto 1 \"ARTICOLO " + std::to_string(i) + "\" 1.50 1\n";
  ops += "opSubTot 1\nopContante 1\n";
  [[maybe_unused]] auto n = ::write(input, ops.data(), ops.size());
  // The receipt is done when the register has closed it and the host has
  // acknowledged every reply; the program then waits for more input. (The
  // peak of an exec'd program is read from /proc: a child's ru_maxrss would
  // carry the forking process's own size.)
  const auto deadline = Steady::now() + std::chrono::seconds(30);
  for (;;) {
    const sim::LineStats stats = simulator.reg->Stats();
    if (simulator.reg->State().daily.financial.receipts == 1 && stats.host_acks == stats.frames)
      break;
    if (Steady::now() > deadline)
      throw std::runtime_error("tavirel call did not finish the receipt");
    std::this_thread::sleep_for(milliseconds(5));
  }
  const long peak = HighWaterKib(pid);
  ::close(input);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("tavirel call failed");
  const double mib = static_cast<double>(peak) / 1024.0;
  return {{"peak RSS of tavirel call, whole 10-line receipt",
           "MiB",
           {mib, mib, mib},
           "",
           {},
           "",
           true}};
}

Row MeasureCallMemoryGrowth(const std::string& cli, int rounds) {
  constexpr long kPerRound = 100000;
  auto simulator = sim::StartOnPty(sim::SimOptions{});
  int input = -1;
  int output = -1;
  const pid_t pid = StartWithInput({cli, "call", "--device", simulator.server->DevicePath(), "-"},
                                   input, &output);
  const std::string batch = Batch();
  auto run = [&](long ops) {
    for (long done = 0; done < ops; done += kBatchOps) {
      WriteAll(input, batch);
      AwaitAnswers(output, kBatchOps);
    }
  };
  run(10000);  // warm up: buffers at their working size
  std::vector<double> growth;
  long before = ResidentKib(pid);
  for (int i = 0; i < rounds; ++i) {
    run(kPerRound);
    const long after = ResidentKib(pid);
    growth.push_back(static_cast<double>(after - before) / 1024.0);
    before = after;
  }
  const double start_mib = static_cast<double>(before) / 1024.0;
  ::close(input);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(output);
  if (!WIFEXITED(status)) throw std::runtime_error("tavirel call did not end");
  const Stats grown = StatsOf(growth);
  return {"tavirel call - memory growth per 100k OPs",
          "MiB",
          grown,
          "its resident memory",
          {start_mib, start_mib, start_mib},
          "<= 0.1",
          grown.median <= 0.1};
}

}  // namespace tavirel::bench
