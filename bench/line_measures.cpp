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

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// One end of the bare pty exchange: reads until `count` bytes `mark` came.
void AwaitMarks(int fd, char mark, long count, long& seen, const std::function<void()>& on_mark) {
  char buffer[4096];
  while (seen < count) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) {
      pollfd p{fd, POLLIN, 0};
      ::poll(&p, 1, 20);
      continue;
    }
    for (ssize_t i = 0; i < n; ++i) {
      if (buffer[i] != mark) continue;
      ++seen;
      if (on_mark) on_mark();
    }
  }
}

// The high-water mark of a process's resident memory, in KiB.
long HighWaterKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  throw std::runtime_error("no VmHWM for process " + std::to_string(pid));
}

// Starts the program with OPs on its standard input (kept open, so it waits
// for more once they are done) and its output thrown away.
pid_t StartWithInput(const std::vector<std::string>& argv, int& input) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(pipe_fds[0], 0);
    dup2(null, 1);
    dup2(null, 2);
    ::close(pipe_fds[1]);
    execv(args[0], args.data());
    _exit(127);
  }
  ::close(pipe_fds[0]);
  input = pipe_fds[1];
  return pid;
}

}  // namespace

Figure MeasureBarePty(int round_trips) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
    throw std::runtime_error("no pty");
  const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios tio{};
  ::tcgetattr(slave, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(slave, TCSANOW, &tio);
  const std::string request = std::string(91, '1') + '\x03';         // opReparto's frame
  const std::string reply = "\x06" + std::string(80, '2') + '\x03';  // ACK and its reply
  std::thread far([&] {
    long requests = 0;
    AwaitMarks(master, '\x03', round_trips, requests,
               [&] { [[maybe_unused]] auto n = ::write(master, reply.data(), reply.size()); });
  });
  const auto t0 = Steady::now();
  for (long i = 0; i < round_trips; ++i) {
    [[maybe_unused]] auto n = ::write(slave, request.data(), request.size());
    long replies = 0;
    AwaitMarks(slave, '\x03', 1, replies, {});
    n = ::write(slave, "\x06", 1);
  }
  const duration<double> took = Steady::now() - t0;
  far.join();
  ::close(slave);
  ::close(master);
  const double rate = round_trips / took.count();
  return {"bare pty, same bytes, no driver and no register", rate, "round trips/s", "", true};
}

Figure MeasureRoundTrips(std::chrono::seconds length) {
  auto simulator = sim::StartOnPty(sim::SimOptions{});
  auto control = OpenControl(simulator.server->DevicePath());
  long lines = 0;
  duration<double> in_lines{0};
  const auto end = Steady::now() + length;
  for (int receipt = 0; Steady::now() < end; ++receipt) {
    for (int i = 0; i < 100; ++i) {
      const auto t0 = Steady::now();
      Expect(SaleLine(*control, i), "opReparto");
      in_lines += Steady::now() - t0;
      if (receipt > 0) ++lines;  // the first receipt warms up
    }
    Expect(control->opContante(1), "opContante");
    if (receipt == 0) in_lines = {};
  }
  const double rate = static_cast<double>(lines) / in_lines.count();
  return {"round trips over a pty, no pacing", rate, "sale lines/s", ">= 10000", rate >= 10000};
}

Figure MeasureWireRatio(int receipts) {
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
  std::vector<double> ratios;
  for (int r = 0; r < receipts; ++r) {
    crossed = 0;
    const auto t0 = Steady::now();
    for (int i = 0; i < kLinesPerReceipt; ++i) Expect(SaleLine(*control, i), "opReparto");
    Expect(control->opSubTot(1), "opSubTot");
    Expect(control->opContante(1), "opContante");
    const duration<double> took = Steady::now() - t0;
    const double wire = static_cast<double>(crossed) * 10.0 / 9600.0;
    ratios.push_back(took.count() / wire);
  }
  std::sort(ratios.begin(), ratios.end());
  const double median = ratios[ratios.size() / 2];
  return {"10-line receipt at 9600 baud: time / wire time", median, "", "<= 1.05", median <= 1.05};
}

Figure MeasureWaitingCpu(milliseconds delay) {
  auto simulator = sim::StartOnPty(sim::SimOptions{});
  auto control = OpenControl(simulator.server->DevicePath());
  simulator.reg->ArmFault({sim::Fault::ReplyDelay, static_cast<int>(delay.count()), 0.0});
  const double cpu0 = ThreadCpuSeconds();
  const auto t0 = Steady::now();
  Expect(control->opReadMatrFisc(1), "opReadMatrFisc");
  const duration<double> wall = Steady::now() - t0;
  const double per_second = (ThreadCpuSeconds() - cpu0) / wall.count();
  return {"CPU while a call waits " + std::to_string(delay.count() / 1000) + " s for its reply",
          per_second, "CPU s / wall s", "<= 0.01", per_second <= 0.01};
}

std::vector<Figure> MeasureCallMemory(const std::string& cli) {
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
  return {{"peak RSS of tavirel call, whole 10-line receipt", static_cast<double>(peak) / 1024.0,
           "MiB", "", true}};
}

}  // namespace tavirel::bench
